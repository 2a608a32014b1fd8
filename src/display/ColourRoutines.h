#pragma once

#include "config/SettingsModel.h"
#include "platform/Chart.h"
#include "presentation/MainWindowModel.h"

namespace quorlin {

// Moves colours between the settings and what the main window shows: plot lines, the value
// boxes of each row and the chart background.
class ColourRoutines {
  public:
    ColourRoutines(SettingsModel& settings, MainWindowModel& model, Chart& chart);

    // Settings -> chart and rows.
    void ApplyColors();
    // Rows and chart -> settings. The volts box is the reference for a channel's colour.
    void CaptureColors();

  private:
    SettingsModel& settings_;
    MainWindowModel& model_;
    Chart& chart_;
};

}  // namespace quorlin
