#include "recording/DataFile.h"

#include "common/AppError.h"
#include "common/Channel.h"
#include "common/DateText.h"
#include "common/ErrorHandler.h"
#include "common/NumberText.h"
#include "common/TextFile.h"
#include "config/SettingsModel.h"
#include "platform/AppFolders.h"
#include "platform/Clock.h"
#include "platform/FileDialog.h"

#include <QFileInfo>

#include <utility>

namespace quorlin {

DataFile::DataFile(SettingsModel& settings, const AppFolders& folders, Clock& clock,
                   ErrorHandler& errors, FileDialog& dialog)
    : settings_(settings), folders_(folders), clock_(clock), errors_(errors), dialog_(dialog) {}

QString DataFile::ChooseDataFile() {
    FileDialogRequest request;
    request.filter =
        QStringLiteral("All Files (*.*)|*.*|Text Files(*.txt)|*.txt|CSV Files (*.csv)|*.csv");
    request.filterIndex = 3;
    request.initDir = folders_.dataFiles();
    request.confirmOverwrite = true;
    const QString path = dialog_.showSave(request);
    if (path.isEmpty()) {
        return {};
    }
    settings_.DataFilePath = path;
    try {
        startFile(path);
    } catch (const AppError&) {
        return {};
    }
    return path;
}

void DataFile::startFile(const QString& path) {
    writeFileTruncating(path, encodeLines(headerLines()));
    settings_.DataFilePath = path;
    rowsFailing_ = false;  // a new file: its first failure is reported again
    rowsWritten_ = 0;
    ++fileStarts_;
}

QStringList DataFile::headerLines() const {
    const QDateTime now = clock_.localNow();
    QStringList headings{QStringLiteral("System Time"), QStringLiteral("Time(Seconds)")};
    for (int c = 0; c < kChannelCount; ++c) {
        headings << channelName(c);
    }
    return {QStringLiteral("Kestova Quorlin"),
            QStringLiteral("Data Acquisition and Display Software File Version ") +
                settings_.VersionText,
            QStringLiteral("Date file created: ") + shortDateText(now),
            QStringLiteral("Time file created: ") + timeText(now), headings.join(u',')};
}

QString DataFile::rowText(const QString& elapsedTimeText, std::span<const double> values,
                          const QDateTime& now) const {
    QString row = generalDateTimeText(now) + u',' + elapsedTimeText;
    for (double v : values) {
        row += u',' + shortNumberText(v);
    }
    return row;
}

void DataFile::startAgain() {
    // Moved away or deleted during the run: rows without a header would make a file that no
    // reader takes for a data file, and the rows would seem to go where they no longer are.
    const QString path = settings_.DataFilePath;
    startFile(path);
    errors_.LogError(ErrorNumber::FileNotFound, QStringLiteral("WriteToFile"),
                     QStringLiteral("General"),
                     QStringLiteral("The data file %1 was gone: a new file was started under "
                                    "that name, with the header; the rows go on there.")
                         .arg(path));
}

void DataFile::WriteToFile(const QString& elapsedTimeText, std::span<const double> values) {
    WriteToFile(elapsedTimeText, values, clock_.localNow());
}

void DataFile::WriteToFile(const QString& elapsedTimeText, std::span<const double> values,
                           const QDateTime& now) {
    try {
        if (!QFileInfo::exists(settings_.DataFilePath)) {
            startAgain();
        }
        appendToFile(settings_.DataFilePath, encodeLines({rowText(elapsedTimeText, values, now)}));
        ++rowsWritten_;
        rowsFailing_ = false;
        if (rowWritten_) {
            rowWritten_(settings_.DataFilePath);
        }
    } catch (const AppError& e) {
        if (rowsFailing_.exchange(true)) {
            return;  // a full disk fails every row: one report until a row gets through
        }
        errors_.SimpleErrorHandler(e.number, QStringLiteral("WriteToFile"),
                                   QStringLiteral("General"), e.description);
    }
}

}  // namespace quorlin
