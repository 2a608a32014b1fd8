#include "recording/DataFile.h"

#include "acquisition/AcquisitionValues.h"
#include "common/AppError.h"
#include "common/DateText.h"
#include "common/ErrorHandler.h"
#include "common/NumberText.h"
#include "common/TextFile.h"
#include "config/SettingsModel.h"
#include "platform/AppFolders.h"
#include "platform/Clock.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "presentation/MainWindowModel.h"

namespace quorlin {

namespace {
const QString kNoFile = QStringLiteral("No data file in use.");
}  // namespace

DataFile::DataFile(SettingsModel& settings, const AcquisitionValues& values,
                   MainWindowModel& window, const AppFolders& folders, Clock& clock,
                   ErrorHandler& errors, MessageBox& messages, FileDialog& dialog)
    : settings_(settings),
      values_(values),
      window_(window),
      folders_(folders),
      clock_(clock),
      errors_(errors),
      messages_(messages),
      dialog_(dialog) {}

void DataFile::mnuSave_Click() {
    try {
        if (settings_.CurrentCommPort == 0) {
            window_.mnuSave->setChecked(settings_.DataFileInUse);
            messages_.showOk(QStringLiteral("No communication port has been selected!"));
            return;
        }
        if (settings_.DataFileInUse) {
            window_.mnuSave->setChecked(false);
            settings_.DataFileInUse = false;
            window_.setFileLabel(kNoFile);
            dialogFileName_.clear();
        } else {
            window_.mnuSave->setChecked(true);
            dialogFileName_ = ChooseDataFile();
            settings_.DataFileInUse = true;
        }
        if (dialogFileName_.isEmpty()) {
            window_.mnuSave->setChecked(false);
            settings_.DataFileInUse = false;
        }
        window_.setFileLabel(dialogFileName_.isEmpty()
                                 ? kNoFile
                                 : QStringLiteral("Data file in use: ") + settings_.DataFilePath);
    } catch (const AppError& e) {
        errors_.SimpleErrorHandler(e.number, QStringLiteral("mnuSave_Click"),
                                   QStringLiteral("Main"), e.description);
    }
}

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
        writeFileTruncating(path, encodeLines(headerLines()));
    } catch (const AppError&) {
        return {};
    }
    return path;
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

QString DataFile::rowText(const QString& elapsedTimeText) const {
    QString row = generalDateTimeText(clock_.localNow()) + u',' + elapsedTimeText;
    const PerChannel<double>* source = nullptr;
    if (settings_.WriteFileMethod == QLatin1String("Volts")) {
        source = &values_.ChannelVolts;
    } else if (settings_.WriteFileMethod == QLatin1String("Scale")) {
        source = &values_.ChannelScaled;
    }
    if (source != nullptr) {
        for (double v : *source) {
            row += u',' + shortNumberText(v);
        }
    }
    return row;
}

void DataFile::WriteToFile(const QString& elapsedTimeText) {
    try {
        appendToFile(settings_.DataFilePath, encodeLines({rowText(elapsedTimeText)}));
    } catch (const AppError& e) {
        errors_.SimpleErrorHandler(e.number, QStringLiteral("WriteToFile"),
                                   QStringLiteral("General"), e.description);
    }
}

}  // namespace quorlin
