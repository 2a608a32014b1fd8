#pragma once

#include "common/Channel.h"

#include <QString>
#include <QStringList>

namespace quorlin {

struct SettingsModel;
class AppFolders;
class ErrorHandler;

// One channel's line of the peak file: the texts of its peak and peak-time boxes and the kind
// of peak tracked (0 none, 1 min, 2 max).
struct PeakEntry {
    QString time;
    QString value;
    qint16 peakType = 0;
};

// Logs/Peak.csv: the peaks of the last run stopped with peak tracking on.
class PeakFile {
  public:
    PeakFile(const SettingsModel& settings, const AppFolders& folders, ErrorHandler& errors);

    // Replaces the peak file with the given entries. A failure is reported (false); the lines
    // already written stay.
    bool WritePeakFile(const PerChannel<PeakEntry>& entries);

    // The fourteen lines, as written.
    QStringList peakFileLines(const PerChannel<PeakEntry>& entries) const;

  private:
    const SettingsModel& settings_;
    const AppFolders& folders_;
    ErrorHandler& errors_;
};

}  // namespace quorlin
