#include "display/ChannelPanel.h"

#include <utility>

namespace quorlin {

ChannelPanel::ChannelPanel(SettingsModel& settings, MainWindowModel& model, Chart& chart,
                           MessageBox& messages, std::function<void()> sendSamplesAveraged,
                           QObject* parent)
    : QObject(parent),
      settings_(settings),
      model_(model),
      chart_(chart),
      messages_(messages),
      sendSamplesAveraged_(std::move(sendSamplesAveraged)),
      colours_(settings, model, chart) {
    connect(&model_, &MainWindowModel::rowChanged, this, [this](int channel, RowField field) {
        if (field == RowField::Checked) {
            chkCH_Click(channel);
        }
    });
}

void ChannelPanel::Activate() {
    LayoutChannelPanel();
    chart_.setYCaption(settings_.GraphScale ? QStringLiteral("Scale") : QStringLiteral("Volts"));
    colours_.ApplyColors();
}

void ChannelPanel::LayoutChannelPanel() {
    // Values other than 0 and 1 (a hand-edited configuration file) leave the row as it is.
    for (int k = 0; k < kChannelCount; ++k) {
        if (settings_.ChannelActive[k] == 1) {
            model_.setChecked(k, true);
            model_.setFrameVisible(k, true);
        } else if (settings_.ChannelActive[k] == 0) {
            model_.setChecked(k, false);
            model_.setFrameVisible(k, false);
        }
    }
    constexpr int kChannelsPerGroup = kChannelCount / 2;
    for (int group = 0; group < 2; ++group) {
        bool anyActive = false;
        for (int k = group * kChannelsPerGroup; k < (group + 1) * kChannelsPerGroup; ++k) {
            anyActive = anyActive || settings_.ChannelActive[k] == 1;
        }
        model_.setGroupVisible(group, anyActive);
    }
    for (int k = 0; k < kChannelCount; ++k) {
        model_.setUnitText(k, settings_.Units[k]);
    }
    chart_.setYMaximum(settings_.YAxisUpper);
    chart_.setYMinimum(settings_.YAxisLower);
    if (settings_.CurrentCommPort != 0 && sendSamplesAveraged_) {
        sendSamplesAveraged_();
    }
}

void ChannelPanel::chkCH_Click(int channel) {
    // An ordinary change of the volts text: the conversion chain runs on it.
    model_.setVoltsText(channel, QStringLiteral("0"));
    chart_.setPlotVisible(plotOfChannel(channel), model_.row(channel).checked);
}

void ChannelPanel::Form_KeyDown(int key, Qt::KeyboardModifiers modifiers) {
    // The shift state is Shift, Ctrl and Alt; other modifiers (keypad, Meta) do not count.
    constexpr Qt::KeyboardModifiers kShiftState =
        Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
    if (key != Qt::Key_F8 || (modifiers & kShiftState) != Qt::ControlModifier) {
        return;
    }
    const bool show = !model_.mnuChannelRangeVolts->isVisible();
    model_.mnuChannelRangeVolts->setVisible(show);
    model_.mnuChannelRangeScale->setVisible(show);
}

void ChannelPanel::mnuHelpHelp_Click() {
    messages_.showOk(QStringLiteral("No on-board Help file is available in this version!"));
}

}  // namespace quorlin
