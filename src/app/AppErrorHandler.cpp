#include "app/AppErrorHandler.h"

#include "common/DateText.h"
#include "common/TextFile.h"

#include <exception>

namespace quorlin {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kRule = QStringLiteral("----------");
}  // namespace

AppErrorHandler::AppErrorHandler(const AppFolders& folders, const SettingsModel& settings,
                                 Clock& clock, MessageBox& messageBox,
                                 std::function<void()> shutdown, QString applicationTitle)
    : folders_(folders),
      settings_(settings),
      clock_(clock),
      messageBox_(messageBox),
      shutdown_(std::move(shutdown)),
      applicationTitle_(std::move(applicationTitle)) {}

QString AppErrorHandler::entryText(qint32 number, const QString& source, const QString& screen,
                                   const QString& description) {
    return QStringLiteral("Date: ") + errorLogDateText(clock_.localNow()) + kCrLf +
           QStringLiteral("Number: ") + QString::number(number) + kCrLf +
           QStringLiteral("Source: ") + source + kCrLf + QStringLiteral("Screen: ") + screen +
           kCrLf + QStringLiteral("Description: ") + description + kCrLf +
           QStringLiteral("Application: ") + applicationTitle_ + kCrLf +
           QStringLiteral("Version: ") + settings_.VersionText;
}

void AppErrorHandler::appendEntry(const QString& entry) {
    appendToFile(folders_.errorLog(),
                 (kRule + kCrLf + entry + kCrLf + kRule + kCrLf + kCrLf).toUtf8());
    // Entries are rare: each is made durable at once rather than scheduled.
    syncFileData(folders_.errorLog());
}

void AppErrorHandler::LogError(qint32 number, const QString& source, const QString& screen,
                               const QString& description) {
    try {
        appendEntry(entryText(number, source, screen, description));
    } catch (const std::exception&) {
        // Nobody is there to read a notice; the run goes on.
    }
}

void AppErrorHandler::SimpleErrorHandler(qint32 number, const QString& source,
                                         const QString& screen, const QString& description) {
    try {
        const QString entry = entryText(number, source, screen, description);
        // On disk before the operator sees anything, so the entry survives a Cancel.
        appendEntry(entry);

        const QString message =
            QStringLiteral("The error shown below has occurred!") + kCrLf +
            QStringLiteral("The data being generated at this time may have been corrupted.") +
            kCrLf +
            QStringLiteral("Please correct the error or contact Kestova for customer support.") +
            kCrLf + kCrLf + entry + kCrLf + kCrLf +
            QStringLiteral("RETRY will allow application to continue.") + kCrLf +
            QStringLiteral("CANCEL will terminate application.") + kCrLf;

        if (messageBox_.showRetryCancel(message)) {
            return;
        }
        messageBox_.showOk(QStringLiteral(
            "Application will terminate; correct error cause and run application again!"));
    } catch (const std::exception&) {
        messageBox_.showOk(QStringLiteral("The SimpleErrorHandler sub routine has errored!"));
        return;
    }
    shutdown_();
}

}  // namespace quorlin
