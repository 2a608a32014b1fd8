#pragma once

#include "config/SettingsModel.h"
#include "display/ColourRoutines.h"
#include "platform/Chart.h"
#include "platform/MessageBox.h"
#include "presentation/MainWindowModel.h"

#include <QObject>

#include <functional>

namespace quorlin {

// The channel panel of the main window: its layout from the settings, the channel check
// boxes, the keyboard toggle of the Channel Range items and the Help notice.
class ChannelPanel : public QObject {
    Q_OBJECT
  public:
    ChannelPanel(SettingsModel& settings, MainWindowModel& model, Chart& chart,
                 MessageBox& messages, std::function<void()> sendSamplesAveraged,
                 QObject* parent = nullptr);

    // Every activation of the main window: layout (which ends with the samples-averaged
    // commands when a port is set), Y caption, colours. The only way changed settings reach
    // the panel and the board.
    void Activate();

    void LayoutChannelPanel();

    // What a change of channel k's tick does, whoever made it. Runs on every change of the
    // model's Checked state; setting a box to the state it has runs nothing.
    void chkCH_Click(int channel);

    // Ctrl+F8 shows or hides both Channel Range items; every other key is ignored.
    void Form_KeyDown(int key, Qt::KeyboardModifiers modifiers);

    void mnuHelpHelp_Click();

  private:
    SettingsModel& settings_;
    MainWindowModel& model_;
    Chart& chart_;
    MessageBox& messages_;
    std::function<void()> sendSamplesAveraged_;
    ColourRoutines colours_;
};

}  // namespace quorlin
