#pragma once

#include <QString>
#include <QStringList>

namespace quorlin {

struct AcquisitionValues;
struct SettingsModel;
class AppFolders;
class Clock;
class ErrorHandler;
class FileDialog;
class MainWindowModel;
class MessageBox;

// Recording: the data file chosen with the File menu's Save, one row per scan. The file is
// open only while its header or one row is written, so everything recorded survives a crash
// and other programs can read it while recording goes on.
class DataFile {
  public:
    DataFile(SettingsModel& settings, const AcquisitionValues& values, MainWindowModel& window,
             const AppFolders& folders, Clock& clock, ErrorHandler& errors, MessageBox& messages,
             FileDialog& dialog);

    // Switches recording on (choosing a file) or off. The Save item's check mark follows
    // DataFileInUse, so this may be called before or after the action toggled its own mark.
    void mnuSave_Click();
    // Lets the operator choose the file, creates it and writes the header. Silent on cancel
    // and failure. Returns the chosen name, empty after a cancel or a failure.
    QString ChooseDataFile();
    // Appends one row to DataFilePath. A failure is reported and loses only that row.
    void WriteToFile(const QString& elapsedTimeText);

    // The five header lines and one row, as written.
    QStringList headerLines() const;
    QString rowText(const QString& elapsedTimeText) const;

  private:
    SettingsModel& settings_;
    const AcquisitionValues& values_;
    MainWindowModel& window_;
    const AppFolders& folders_;
    Clock& clock_;
    ErrorHandler& errors_;
    MessageBox& messages_;
    FileDialog& dialog_;
    QString dialogFileName_;
};

}  // namespace quorlin
