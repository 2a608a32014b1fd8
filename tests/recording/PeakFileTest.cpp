#include "recording/PeakFile.h"

#include "config/SettingsModel.h"
#include "platform/AppFolders.h"
#include "support/Fakes.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace quorlin;
using namespace quorlin::test;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class PeakFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(temp.path()).mkdir(QStringLiteral("Logs")));
        settings.VersionText = QStringLiteral("2.1.3");
        for (PeakEntry& e : entries) {
            e.value = QStringLiteral("0");  // as the peak boxes show at start
        }
    }

    TempFolder temp;
    AppFolders folders{temp.path()};
    SettingsModel settings;
    PerChannel<PeakEntry> entries;
    RecordingErrorHandler errors;
    PeakFile peaks{settings, folders, errors};
};

}  // namespace

TEST_F(PeakFileTest, writesFourteenLinesWithEveryChannel) {
    entries[0] = {QStringLiteral("2026-12-07 14:05:09"), QStringLiteral("12.3457"), 2};
    entries[1] = {QStringLiteral("2026-12-07 14:06:00"), QStringLiteral("-0.5"), 1};
    entries[7].peakType = 2;

    peaks.WritePeakFile(entries);

    EXPECT_EQ(readAll(folders.peakFile()),
              "Kestova Quorlin\r\n"
              "Data Acquisition and Display Software File Version 2.1.3\r\n"
              "PEAK FILE\r\n"
              "\r\n"
              "Channel,Time,Scaled Value,Peak Type\r\n"
              ",,,(0=None 1=Min 2=Max)\r\n"
              "CH0,2026-12-07 14:05:09,12.3457,2\r\n"
              "CH1,2026-12-07 14:06:00,-0.5,1\r\n"
              "CH2,,0,0\r\n"
              "CH3,,0,0\r\n"
              "CH4,,0,0\r\n"
              "CH5,,0,0\r\n"
              "CH6,,0,0\r\n"
              "CH7,,0,2\r\n");
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(PeakFileTest, secondRun_replacesTheFirst) {
    entries[3] = {QStringLiteral("2026-12-07 14:05:09"), QStringLiteral("123456789.123"), 0};
    peaks.WritePeakFile(entries);
    entries[3] = {QString(), QStringLiteral("1"), 0};
    peaks.WritePeakFile(entries);

    const QByteArray text = readAll(folders.peakFile());
    EXPECT_EQ(text.count("\r\n"), 14);
    EXPECT_TRUE(text.endsWith("CH3,,1,0\r\nCH4,,0,0\r\nCH5,,0,0\r\nCH6,,0,0\r\nCH7,,0,0\r\n"));
    EXPECT_FALSE(text.contains("123456789"));
}

TEST_F(PeakFileTest, missingLogsFolder_isReported) {
    ASSERT_TRUE(QDir(folders.logs()).removeRecursively());
    peaks.WritePeakFile(entries);
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(errors.reports[0].source, "WritePeakFile");
    EXPECT_EQ(errors.reports[0].screen, "General");
    EXPECT_FALSE(QFile::exists(folders.peakFile()));
}
