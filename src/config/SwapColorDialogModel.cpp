#include "config/SwapColorDialogModel.h"

namespace quorlin {

SwapColorDialogModel::SwapColorDialogModel(MainWindowModel& window, Chart& chart,
                                           ColourDialog& chooser, QObject* parent)
    : QObject(parent), window_(window), chart_(chart), chooser_(chooser) {}

void SwapColorDialogModel::setSelectedItem(int item) {
    if (item < kNoItem || item > kGraphBackground) {
        item = kNoItem;
    }
    if (item != selected_) {
        selected_ = item;
        emit selectedItemChanged();
    }
}

void SwapColorDialogModel::cmdSwap_Click() {
    ColourValue current = chooserColour_;
    if (selected_ == kGraphBackground) {
        current = chart_.backgroundColour();
    } else if (selected_ != kNoItem) {
        current = window_.row(selected_).colour;
    }
    chooserColour_ = chooser_.choose(current);
    if (selected_ == kGraphBackground) {
        chart_.setBackgroundColour(chooserColour_);
    } else if (selected_ != kNoItem) {
        chart_.setPlotColour(plotOfChannel(selected_), chooserColour_);
        window_.setColour(selected_, chooserColour_);
    }
}

void SwapColorDialogModel::cmdDefault_Click() {
    for (int ch = 0; ch < kChannelCount; ++ch) {
        chart_.setPlotColour(plotOfChannel(ch), kDefaultPlotColours[ch]);
        window_.setColour(ch, kDefaultPlotColours[ch]);
    }
    chart_.setBackgroundColour(kDefaultBackground);
}

void SwapColorDialogModel::cmdOK_Click() {
    emit closeRequested();
}

}  // namespace quorlin
