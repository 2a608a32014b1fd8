#include "app/SaveCommand.h"

#include "config/SettingsModel.h"
#include "platform/AppFolders.h"
#include "presentation/MainWindowModel.h"
#include "recording/DataFile.h"
#include "support/DataFileText.h"
#include "support/Fakes.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace quorlin;
using namespace quorlin::test;

namespace {

const QByteArray& kHeader = kDataFileHeader;

class SaveCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(temp.path()).mkdir(QStringLiteral("Data Files")));
        settings.CurrentCommPort = 1;
        settings.VersionText = QStringLiteral("2.1.3");
    }
    // Switches recording on with the given file.
    void startRecording(const QString& file) {
        dialog.answers.push_back(file);
        save.mnuSave_Click();
    }

    TempFolder temp;
    AppFolders folders{temp.path()};
    QString path = folders.dataFiles() + QStringLiteral("/run.csv");
    SettingsModel settings;
    PerChannel<double> volts{};
    MainWindowModel window;
    FakeClock clock;
    RecordingErrorHandler errors;
    RecordingMessageBox messages;
    FakeFileDialog dialog;
    DataFile data{settings, folders, clock, errors, dialog};
    SaveCommand save{settings, window, data, messages, errors};
};

}  // namespace

TEST_F(SaveCommandTest, switchingOn_writesHeaderAndShowsTheFile) {
    startRecording(path);

    EXPECT_EQ(readAll(path), kHeader);
    EXPECT_TRUE(settings.DataFileInUse);
    EXPECT_EQ(settings.DataFilePath, path);
    EXPECT_TRUE(window.mnuSave->isChecked());
    EXPECT_EQ(window.fileLabel(), "Data file in use: " + path);
    ASSERT_EQ(dialog.requests.size(), 1u);
    EXPECT_TRUE(dialog.wasSave[0]);
    EXPECT_EQ(dialog.requests[0].filter,
              "All Files (*.*)|*.*|Text Files(*.txt)|*.txt|CSV Files (*.csv)|*.csv");
    EXPECT_EQ(dialog.requests[0].filterIndex, 3);
    EXPECT_EQ(dialog.requests[0].initDir, folders.dataFiles());
    EXPECT_TRUE(dialog.requests[0].confirmOverwrite);
    EXPECT_TRUE(messages.all.isEmpty());
}

TEST_F(SaveCommandTest, cancelOrUnwritableHeader_leavesRecordingOff) {
    startRecording(QString());  // cancelled
    EXPECT_FALSE(settings.DataFileInUse);
    EXPECT_FALSE(window.mnuSave->isChecked());
    EXPECT_EQ(window.fileLabel(), "No data file in use.");

    startRecording(temp.file(QStringLiteral("no such folder/run.csv")));
    EXPECT_FALSE(settings.DataFileInUse);
    EXPECT_FALSE(window.mnuSave->isChecked());
    EXPECT_EQ(window.fileLabel(), "No data file in use.");
    EXPECT_TRUE(errors.reports.empty());
    EXPECT_TRUE(messages.all.isEmpty());
}

TEST_F(SaveCommandTest, noCommPort_saysSoAndChangesNothing) {
    settings.CurrentCommPort = 0;
    window.mnuSave->setChecked(true);  // as a checkable action toggles itself when triggered
    save.mnuSave_Click();
    EXPECT_EQ(messages.okTexts, QStringList{"No communication port has been selected!"});
    EXPECT_TRUE(dialog.requests.empty());
    EXPECT_FALSE(settings.DataFileInUse);
    EXPECT_FALSE(window.mnuSave->isChecked());
    EXPECT_EQ(window.fileLabel(), "No data file in use.");
}

TEST_F(SaveCommandTest, switchingOffAndOnWithTheSameFile_keepsOnlyTheNewRun) {
    startRecording(path);
    data.WriteToFile(QStringLiteral("1"), volts);
    save.mnuSave_Click();  // off
    EXPECT_FALSE(settings.DataFileInUse);
    EXPECT_FALSE(window.mnuSave->isChecked());
    EXPECT_EQ(window.fileLabel(), "No data file in use.");
    EXPECT_EQ(dialog.requests.size(), 1u);

    clock.now = clock.now.addDays(1);
    startRecording(path);
    volts[0] = 0.5;
    data.WriteToFile(QStringLiteral("2"), volts);
    EXPECT_EQ(readAll(path), QByteArray("Kestova Quorlin\r\n"
                                        "Data Acquisition and Display Software File Version "
                                        "2.1.3\r\n"
                                        "Date file created: 2026-12-08\r\n"
                                        "Time file created: 14:05:09\r\n"
                                        "System Time,Time(Seconds),CH0,CH1,CH2,CH3,CH4,CH5,CH6,"
                                        "CH7\r\n"
                                        "2026-12-08 14:05:09,2,.5,0,0,0,0,0,0,0\r\n"));
}
