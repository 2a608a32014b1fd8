#pragma once

#include "common/Channel.h"
#include "common/Colour.h"
#include "platform/Chart.h"
#include "platform/ColourDialog.h"
#include "presentation/MainWindowModel.h"

#include <QObject>

namespace quorlin {

// The presentation model of the Swap Color window. It works on the display directly (chart
// lines, chart background, channel boxes) and never on the settings: the configuration
// window captures the displayed colours when it saves.
class SwapColorDialogModel : public QObject {
    Q_OBJECT
  public:
    static constexpr int kNoItem = -1;
    static constexpr int kGraphBackground = kChannelCount;  // optGB; 0..7 are optCH0..optCH7
    static constexpr PerChannel<ColourValue> kDefaultPlotColours{
        rgbValue(255, 0, 0),     rgbValue(0, 255, 0),    rgbValue(0, 0, 255),
        rgbValue(255, 255, 0),   rgbValue(0, 255, 255),  rgbValue(255, 0, 255),
        rgbValue(255, 255, 255), rgbValue(128, 128, 128)};
    static constexpr ColourValue kDefaultBackground = rgbValue(0, 0, 0);

    // The channel colours are the backgrounds of the main window's volts, scaled and peak boxes.
    SwapColorDialogModel(MainWindowModel& window, Chart& chart, ColourDialog& chooser,
                         QObject* parent = nullptr);

    // kNoItem, a channel 0..7, or kGraphBackground.
    int selectedItem() const { return selected_; }
    void setSelectedItem(int item);

    // Shows the chooser opened on the selected item's colour (so a cancelled chooser, which
    // returns the colour it was opened with, changes nothing) and applies the result.
    void cmdSwap_Click();
    void cmdDefault_Click();
    void cmdOK_Click();

  signals:
    void selectedItemChanged();
    void closeRequested();

  private:
    MainWindowModel& window_;
    Chart& chart_;
    ColourDialog& chooser_;
    int selected_ = kNoItem;
    ColourValue chooserColour_ = 0;  // what the chooser last held
};

}  // namespace quorlin
