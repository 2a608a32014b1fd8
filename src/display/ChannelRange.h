#pragma once

#include "acquisition/AcquisitionValues.h"
#include "common/Channel.h"
#include "config/SettingsModel.h"
#include "presentation/MainWindowModel.h"

namespace quorlin {

// The Channel Range readout: which active channel reads highest, which lowest, and the
// difference. Its mode (none, volts, scale) is the check marks of the two Tools items.
class ChannelRange {
  public:
    ChannelRange(SettingsModel& settings, AcquisitionValues& values, MainWindowModel& model);

    // Refresh the readout from the current scan. Without any active channel the readout
    // keeps what it showed.
    void UpdateChannelRangeVolts();
    void UpdateChannelRangeScale();

    void ClearChannelRange();

    // Menu commands. Each may run before or after Qt has flipped the clicked item's own
    // check mark (the items are checkable): the state before the click is what this class
    // last set, so both wirings give the same result.
    void mnuChannelRangeVolts_Click();
    void mnuChannelRangeScale_Click();

  private:
    enum class Mode { None, Volts, Scale };

    void update(const PerChannel<double>& channelValues);
    void click(Mode clicked);

    SettingsModel& settings_;
    AcquisitionValues& values_;
    MainWindowModel& model_;
    Mode mode_ = Mode::None;
};

}  // namespace quorlin
