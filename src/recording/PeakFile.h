#pragma once

#include <QStringList>

namespace quorlin {

struct SettingsModel;
class AppFolders;
class ErrorHandler;
class MainWindowModel;

// Logs/Peak.csv: the peaks of the last run stopped with peak tracking on.
class PeakFile {
  public:
    PeakFile(const SettingsModel& settings, const MainWindowModel& window,
             const AppFolders& folders, ErrorHandler& errors);

    // Replaces the peak file with the peak boxes as they stand. A failure is reported; the
    // lines already written stay.
    void WritePeakFile();

    // The fourteen lines, as written.
    QStringList peakFileLines() const;

  private:
    const SettingsModel& settings_;
    const MainWindowModel& window_;
    const AppFolders& folders_;
    ErrorHandler& errors_;
};

}  // namespace quorlin
