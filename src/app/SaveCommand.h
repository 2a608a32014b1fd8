#pragma once

#include <QString>

namespace quorlin {

struct SettingsModel;
class DataFile;
class ErrorHandler;
class MainWindowModel;
class MessageBox;

// The File menu's Save: switches recording on (choosing a file) or off, and keeps the Save
// item's check mark and the file label in step with DataFileInUse.
class SaveCommand {
  public:
    SaveCommand(SettingsModel& settings, MainWindowModel& window, DataFile& dataFile,
                MessageBox& messages, ErrorHandler& errors);

    // The check mark follows DataFileInUse, so this may be called before or after the action
    // toggled its own mark.
    void mnuSave_Click();

  private:
    SettingsModel& settings_;
    MainWindowModel& window_;
    DataFile& dataFile_;
    MessageBox& messages_;
    ErrorHandler& errors_;
    QString dialogFileName_;
};

}  // namespace quorlin
