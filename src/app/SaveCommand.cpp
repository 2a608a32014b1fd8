#include "app/SaveCommand.h"

#include "common/AppError.h"
#include "common/ErrorHandler.h"
#include "config/SettingsModel.h"
#include "platform/MessageBox.h"
#include "presentation/MainWindowModel.h"
#include "recording/DataFile.h"

namespace quorlin {

namespace {
const QString kNoFile = QStringLiteral("No data file in use.");
}  // namespace

SaveCommand::SaveCommand(SettingsModel& settings, MainWindowModel& window, DataFile& dataFile,
                         MessageBox& messages, ErrorHandler& errors)
    : settings_(settings),
      window_(window),
      dataFile_(dataFile),
      messages_(messages),
      errors_(errors) {}

void SaveCommand::mnuSave_Click() {
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
            dialogFileName_ = dataFile_.ChooseDataFile();
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

}  // namespace quorlin
