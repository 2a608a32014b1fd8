#include "recording/DataFile.h"

#include "acquisition/AcquisitionValues.h"
#include "config/SettingsModel.h"
#include "platform/AppFolders.h"
#include "support/DataFileText.h"
#include "support/Fakes.h"
#include "support/FileSizeLimit.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace quorlin;
using namespace quorlin::test;

namespace {

const QByteArray& kHeader = kDataFileHeader;

class DataFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(temp.path()).mkdir(QStringLiteral("Data Files")));
        settings.CurrentCommPort = 1;
        settings.VersionText = QStringLiteral("2.1.3");
        settings.WriteFileMethod = QStringLiteral("Volts");
    }
    // Switches recording on with the given file.
    void startRecording(const QString& file) {
        dialog.answers.push_back(file);
        ASSERT_EQ(data.ChooseDataFile(), file);
        settings.DataFileInUse = true;
    }
    // One row of the values the configuration records, as the sampling loop hands them over.
    void writeRow(const QString& elapsedTimeText) {
        data.WriteToFile(elapsedTimeText, recordedValues(values, settings.WriteFileMethod));
    }

    TempFolder temp;
    AppFolders folders{temp.path()};
    QString path = folders.dataFiles() + QStringLiteral("/run.csv");
    SettingsModel settings;
    AcquisitionValues values;
    FakeClock clock;
    RecordingErrorHandler errors;
    FakeFileDialog dialog;
    DataFile data{settings, folders, clock, errors, dialog};
};

}  // namespace

TEST_F(DataFileTest, rows_holdTheChosenValuesAsShortNumbers) {
    startRecording(path);
    values.ChannelVolts = {0.5, -0.25, 0, 1.287, -5, 10, 0.001, 2};
    values.ChannelScaled = {12.5, 0, -0.0001, 3, 4, 5, 6, 1e20};
    writeRow(QStringLiteral(".25"));
    settings.WriteFileMethod = QStringLiteral("Scale");
    clock.now = clock.now.addSecs(1);
    writeRow(QStringLiteral("1.5"));
    settings.WriteFileMethod = QStringLiteral("volts");  // exact words only
    writeRow(QStringLiteral("12.34"));
    settings.WriteFileMethod.clear();
    writeRow(QStringLiteral("100"));

    EXPECT_EQ(readAll(path), kHeader +
                                 "2026-12-07 14:05:09,.25,.5,-.25,0,1.287,-5,10,.001,2\r\n"
                                 "2026-12-07 14:05:10,1.5,12.5,0,-.0001,3,4,5,6,1E+20\r\n"
                                 "2026-12-07 14:05:10,12.34\r\n"
                                 "2026-12-07 14:05:10,100\r\n");
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(DataFileTest, folderGoneMidRecording_reportsOnceUntilARowGetsThroughAndRecovers) {
    QStringList written;
    data.setRowWritten([&](const QString& p) { written << p; });
    startRecording(path);
    writeRow(QStringLiteral("1"));
    ASSERT_TRUE(QDir(folders.dataFiles()).removeRecursively());

    writeRow(QStringLiteral("2"));
    writeRow(QStringLiteral("3"));
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(errors.reports[0].source, "WriteToFile");
    EXPECT_EQ(errors.reports[0].screen, "General");
    EXPECT_TRUE(settings.DataFileInUse);
    EXPECT_TRUE(data.rowsFailing());

    ASSERT_TRUE(QDir(temp.path()).mkdir(QStringLiteral("Data Files")));
    writeRow(QStringLiteral("4"));
    EXPECT_FALSE(data.rowsFailing());
    // Started again with its header, logged without a box; the rows counted are this file's.
    EXPECT_EQ(readAll(path), kHeader + "2026-12-07 14:05:09,4,0,0,0,0,0,0,0,0\r\n");
    EXPECT_EQ(data.rowsWritten(), 1);
    EXPECT_EQ(written, QStringList({path, path}));  // only the rows that reached the file
    ASSERT_EQ(errors.reports.size(), 2u);
    EXPECT_FALSE(errors.reports[1].boxShown);
    EXPECT_TRUE(errors.reports[1].description.contains(path + " was gone: a new file was started"));

    // A later failure is a new one and is reported again.
    ASSERT_TRUE(QDir(folders.dataFiles()).removeRecursively());
    writeRow(QStringLiteral("5"));
    writeRow(QStringLiteral("6"));
    EXPECT_EQ(errors.reports.size(), 3u);
}

TEST_F(DataFileTest, unwritableFile_isReported) {
    startRecording(path);
    // A folder in place of the file refuses even root.
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir().mkdir(path));
    writeRow(QStringLiteral("1"));
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(errors.reports[0].source, "WriteToFile");
    ASSERT_TRUE(QDir().rmdir(path));

    if (geteuid() != 0) {
        startRecording(path);
        QFile::setPermissions(path, QFile::ReadOwner);
        writeRow(QStringLiteral("2"));
        EXPECT_EQ(errors.reports.size(), 2u);
        EXPECT_EQ(readAll(path), kHeader);
    }
}

TEST_F(DataFileTest, rowFailingHalfway_isCutBackOut) {
    startRecording(path);
    writeRow(QStringLiteral("1"));
    const QByteArray before = readAll(path);
    {
        FileSizeLimit limit(static_cast<rlim_t>(before.size()) + 10);
        writeRow(QStringLiteral("2"));
    }
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(readAll(path), before);

    writeRow(QStringLiteral("3"));
    EXPECT_EQ(readAll(path), before + "2026-12-07 14:05:09,3,0,0,0,0,0,0,0,0\r\n");
}
