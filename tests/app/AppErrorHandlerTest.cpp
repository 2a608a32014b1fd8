#include "app/AppErrorHandler.h"
#include "support/Fakes.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace quorlin {
namespace {

using test::FakeClock;
using test::RecordingMessageBox;
using test::TempFolder;

const char kEntry[] =
    "----------\r\n"
    "Date: 07/12/2026 02:05:09 pm\r\n"
    "Number: 53\r\n"
    "Source: WriteToFile\r\n"
    "Screen: General\r\n"
    "Description: File not found\r\n"
    "Application: Quorlin\r\n"
    "Version: 2.1.3\r\n"
    "----------\r\n"
    "\r\n";

const char kMessage[] =
    "The error shown below has occurred!\r\n"
    "The data being generated at this time may have been corrupted.\r\n"
    "Please correct the error or contact Kestova for customer support.\r\n"
    "\r\n"
    "Date: 07/12/2026 02:05:09 pm\r\n"
    "Number: 53\r\n"
    "Source: WriteToFile\r\n"
    "Screen: General\r\n"
    "Description: File not found\r\n"
    "Application: Quorlin\r\n"
    "Version: 2.1.3\r\n"
    "\r\n"
    "RETRY will allow application to continue.\r\n"
    "CANCEL will terminate application.\r\n";

const QString kTerminateText =
    QStringLiteral("Application will terminate; correct error cause and run application again!");
const QString kOwnFailureText = QStringLiteral("The SimpleErrorHandler sub routine has errored!");

class AppErrorHandlerTest : public ::testing::Test {
  protected:
    AppErrorHandlerTest() {
        QDir(temp.path()).mkdir(QStringLiteral("Logs"));
        settings.VersionText = QStringLiteral("2.1.3");
    }

    QByteArray log() const {
        QFile f(folders.errorLog());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void report() {
        handler.SimpleErrorHandler(53, QStringLiteral("WriteToFile"), QStringLiteral("General"),
                                   QStringLiteral("File not found"));
    }

    TempFolder temp;
    AppFolders folders{temp.path()};
    SettingsModel settings;
    FakeClock clock;
    RecordingMessageBox box;
    int shutdowns = 0;
    AppErrorHandler handler{folders, settings, clock, box, [this] { ++shutdowns; }};
};

TEST_F(AppErrorHandlerTest, retry_logsTenLineEntryFirstThenShowsMessage) {
    QByteArray logWhenShown;
    box.onShow = [&](const QString&) { logWhenShown = log(); };
    report();
    EXPECT_EQ(log(), QByteArray(kEntry));
    EXPECT_EQ(logWhenShown, QByteArray(kEntry));
    EXPECT_EQ(box.retryCancelTexts, QStringList{QString::fromLatin1(kMessage)});
    EXPECT_TRUE(box.okTexts.isEmpty());
    EXPECT_EQ(shutdowns, 0);
}

TEST_F(AppErrorHandlerTest, twoFailures_appendTwoFramedEntries) {
    report();
    clock.now = QDateTime(QDate(2027, 1, 2), QTime(9, 8, 7));
    settings.VersionText = QStringLiteral("2.1.4");  // read at each call
    handler.SimpleErrorHandler(-2147483647 - 1, QStringLiteral("MSComm1_OnComm"),
                               QStringLiteral("Main"), QStringLiteral("Line lost"));
    const QByteArray second =
        "----------\r\n"
        "Date: 02/01/2027 09:08:07 am\r\n"
        "Number: -2147483648\r\n"
        "Source: MSComm1_OnComm\r\n"
        "Screen: Main\r\n"
        "Description: Line lost\r\n"
        "Application: Quorlin\r\n"
        "Version: 2.1.4\r\n"
        "----------\r\n"
        "\r\n";
    EXPECT_EQ(log(), QByteArray(kEntry) + second);
}

TEST_F(AppErrorHandlerTest, dateUsesTwelveHourClock) {
    const std::pair<QTime, const char*> cases[] = {{QTime(0, 30, 0), "12:30:00 am"},
                                                   {QTime(12, 30, 0), "12:30:00 pm"}};
    for (const auto& [time, text] : cases) {
        clock.now = QDateTime(QDate(2026, 3, 4), time);
        report();
        EXPECT_TRUE(box.retryCancelTexts.last().contains(QStringLiteral("Date: 04/03/2026 ") +
                                                         QString::fromLatin1(text) +
                                                         QStringLiteral("\r\n")))
            << text;
    }
}

TEST_F(AppErrorHandlerTest, cancel_showsNoticeThenShutsDown_entryStaysOnDisk) {
    box.answers = {false};
    int shutdownsWhenNoticeShown = -1;
    box.onShow = [&](const QString& text) {
        if (text == kTerminateText) {
            shutdownsWhenNoticeShown = shutdowns;
        }
    };
    report();
    EXPECT_EQ(box.okTexts, QStringList{kTerminateText});
    EXPECT_EQ(shutdownsWhenNoticeShown, 0);
    EXPECT_EQ(shutdowns, 1);
    EXPECT_EQ(log(), QByteArray(kEntry));
}

TEST_F(AppErrorHandlerTest, logFolderMissing_onlyOwnFailureNotice_noFolderCreated) {
    QDir(folders.logs()).removeRecursively();
    report();
    EXPECT_EQ(box.all, QStringList{kOwnFailureText});
    EXPECT_EQ(shutdowns, 0);
    EXPECT_FALSE(QDir(folders.logs()).exists());
}

TEST_F(AppErrorHandlerTest, logOnly_sameEntryNoBoxAndItsOwnFailureIsSilent) {
    handler.LogError(53, QStringLiteral("WriteToFile"), QStringLiteral("General"),
                     QStringLiteral("File not found"));
    EXPECT_EQ(log(), QByteArray(kEntry));
    QDir(folders.logs()).removeRecursively();
    handler.LogError(53, QStringLiteral("WriteToFile"), QStringLiteral("General"),
                     QStringLiteral("File not found"));
    EXPECT_TRUE(box.all.isEmpty());
    EXPECT_EQ(shutdowns, 0);
}

}  // namespace
}  // namespace quorlin
