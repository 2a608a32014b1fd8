#include "display/ColourRoutines.h"

namespace quorlin {

ColourRoutines::ColourRoutines(SettingsModel& settings, MainWindowModel& model, Chart& chart)
    : settings_(settings), model_(model), chart_(chart) {}

void ColourRoutines::ApplyColors() {
    for (int k = 0; k < kChannelCount; ++k) {
        chart_.setPlotColour(plotOfChannel(k), settings_.PlotColor[k]);
        model_.setColour(k, settings_.PlotColor[k]);
    }
    chart_.setBackgroundColour(settings_.GraphBackColor);
}

void ColourRoutines::CaptureColors() {
    for (int k = 0; k < kChannelCount; ++k) {
        settings_.PlotColor[k] = model_.row(k).colour;
    }
    settings_.GraphBackColor = chart_.backgroundColour();
}

}  // namespace quorlin
