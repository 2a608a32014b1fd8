#pragma once

#include "acquisition/AcquisitionValues.h"
#include "common/ErrorHandler.h"
#include "config/SettingsModel.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/SettingsStore.h"
#include "platform/SingleInstance.h"

#include <functional>

namespace quorlin {

// The load of the frame window, run once per start: refuses a second instance, then fills
// the run-time values, the settings from the default configuration file and the stored port.
class FrameLoad {
  public:
    FrameLoad(SettingsModel& settings, AcquisitionValues& values, SingleInstance& instance,
              SettingsStore& store, Clock& clock, MessageBox& messageBox, ErrorHandler& errors,
              std::function<void()> shutdown, std::function<void()> getConfigurationFile = {},
              std::function<void()> testForFileFolders = {});

    // False when another instance runs: the notice was shown and the shut-down function called.
    // True otherwise, also after a failure the error handler was told of (the rest of the load
    // is then skipped and start-up goes on).
    bool run();

  private:
    SettingsModel& settings_;
    AcquisitionValues& values_;
    SingleInstance& instance_;
    SettingsStore& store_;
    Clock& clock_;
    MessageBox& messageBox_;
    ErrorHandler& errors_;
    std::function<void()> shutdown_;
    std::function<void()> getConfigurationFile_;
    std::function<void()> testForFileFolders_;
};

}  // namespace quorlin
