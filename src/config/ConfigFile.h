#pragma once

#include "config/SettingsModel.h"

#include <QString>
#include <QStringList>

class QIODevice;

namespace quorlin {

class AppFolders;
class ErrorHandler;
class FileDialog;
class MessageBox;

// Configuration files: 178 lines, a value's meaning is its line number.
constexpr int kConfigLineCount = 178;

// The lines of a configuration file for the model as it stands. The default file carries its
// own title; every other line is the same. Numbers never depend on the locale.
QStringList configFileLines(const SettingsModel& model, bool defaultTitle);

// Stores the values of a configuration file's lines into the model in file order, each as
// soon as it is read. Titles and comments are skipped by position, lines after the last are
// never looked at. Throws AppError at the first line that is missing (62), cannot be read as
// its field (13) or is beyond its field's integer range (6); what was stored before stays.
// CalibrationMode takes the words True and False in any case, or a number (non-zero true).
// `failedLine`, when given, receives the number (from 1) of the line that failed.
void applyConfigLines(const QStringList& lines, SettingsModel& model, int* failedLine = nullptr);

// The first lines (at most kConfigLineCount) of a file or device, decoded as text files are.
// Lines may end in CR LF, CR or LF. Throws AppError when the file cannot be opened or read.
QStringList readConfigLines(const QString& path);
QStringList readConfigLines(QIODevice& device);

// Reads a configuration file into the model (readConfigLines, then applyConfigLines).
void readConfigFile(const QString& path, SettingsModel& model);

// Writes a configuration file as a whole: a failure throws AppError and leaves the previous
// file as it was.
void writeConfigFile(const QString& path, const SettingsModel& model, bool defaultTitle);

// The configuration-file routines of the application: the default file, Save and Open through
// the file dialog, and the working folders.
class ConfigFile {
  public:
    ConfigFile(SettingsModel& settings, const AppFolders& folders, ErrorHandler& errors,
               MessageBox& messages, FileDialog& dialog);

    // Reads Logs/Default.cfg; without it says "No default configuration file found!".
    void GetConfigurationFile();
    // Writes Logs/Default.cfg with the DEFAULT title.
    void WriteToDefaultConfigFile();
    // Let the operator choose a file and write it / read it. Cancel and failures are silent.
    // Returns the file name, empty after a cancel or a failure.
    QString SaveConfigurationFile();
    QString OpenConfigurationFile();
    // Creates "Data Files" and "Logs" below the application folder when missing.
    void TestForFileFolders();

  private:
    SettingsModel& settings_;
    const AppFolders& folders_;
    ErrorHandler& errors_;
    MessageBox& messages_;
    FileDialog& dialog_;
};

}  // namespace quorlin
