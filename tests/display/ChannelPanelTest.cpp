#include "display/ChannelPanel.h"

#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace quorlin {
namespace {

class ChannelPanelTest : public ::testing::Test {
  protected:
    void layout(PerChannel<qint16> active) {
        settings.ChannelActive = active;
        panel.LayoutChannelPanel();
    }

    SettingsModel settings;
    MainWindowModel model;
    test::RecordingChart chart;
    test::RecordingMessageBox messages;
    QStringList sent;  // chart calls made before each samples-averaged command
    ChannelPanel panel{settings, model, chart, messages, [this] { sent.append(chart.calls); }};
};

TEST_F(ChannelPanelTest, layout_rowsAndGroupsFollowChannelActive) {
    layout({1, 1, 1, 1, 1, 1, 1, 1});
    layout({0, 0, 0, 0, 0, 0, 0, 0});
    for (int k = 0; k < kChannelCount; ++k) {
        EXPECT_FALSE(model.row(k).checked || model.row(k).frameVisible || chart.visible[k + 1]);
    }
    EXPECT_FALSE(model.groupVisible(0) || model.groupVisible(1));

    layout({0, 0, 0, 0, 0, 1, 0, 0});  // only CH5
    EXPECT_FALSE(model.groupVisible(0));
    EXPECT_TRUE(model.groupVisible(1));
    for (int k = 0; k < kChannelCount; ++k) {
        EXPECT_EQ(model.row(k).checked && model.row(k).frameVisible, k == 5) << k;
    }

    // 2 (a hand-edited file) leaves the row as it was and does not count for its group.
    layout({0, 0, 0, 2, 0, 2, 0, 0});
    EXPECT_TRUE(model.row(5).checked && model.row(5).frameVisible);
    EXPECT_FALSE(model.row(3).checked || model.row(3).frameVisible);
    EXPECT_FALSE(model.groupVisible(0) || model.groupVisible(1));
}

TEST_F(ChannelPanelTest, layout_unitsThenYMaxBeforeMinThenSamplesAveragedOnlyWithAPort) {
    settings.Units[3] = QStringLiteral("kPa");
    settings.YAxisUpper = 10;
    settings.YAxisLower = -2;
    panel.LayoutChannelPanel();
    EXPECT_EQ(model.row(3).unitText, QStringLiteral("kPa"));
    EXPECT_EQ(chart.calls, (QStringList{"ymax 10", "ymin -2"}));
    EXPECT_TRUE(sent.isEmpty());  // port 0: nothing sent

    settings.CurrentCommPort = 2;
    settings.GraphScale = true;
    settings.GraphBackColor = 0x00FF00;
    chart.calls.clear();
    panel.Activate();
    // The commands end the layout; caption and colours follow.
    EXPECT_EQ(sent, (QStringList{"ymax 10", "ymin -2"}));
    EXPECT_EQ(chart.calls.value(2), QStringLiteral("caption Scale"));
    EXPECT_EQ(chart.calls.last(), QStringLiteral("background %1").arg(0x00FF00));
}

TEST_F(ChannelPanelTest, tickChange_zeroesVoltsAndFollowsPlotWithoutTouchingSettings) {
    layout({0, 0, 0, 0, 1, 0, 0, 0});
    QStringList volts;
    QObject::connect(&model, &MainWindowModel::rowChanged, [&](int k, RowField f) {
        if (f == RowField::VoltsText) {
            volts.append(QStringLiteral("%1=%2").arg(k).arg(model.row(k).voltsText));
        }
    });
    model.setVoltsText(4, QStringLiteral("1.2"));
    model.setChecked(4, false);
    EXPECT_FALSE(chart.visible[5]);
    model.setVoltsText(4, QStringLiteral("2"));
    model.setChecked(4, true);
    EXPECT_TRUE(chart.visible[5]);
    // Each change reaches the conversion as an ordinary volts change.
    EXPECT_EQ(volts, (QStringList{"4=1.2", "4=0", "4=2", "4=0"}));
    EXPECT_EQ(settings.ChannelActive[4], 1);

    chart.calls.clear();
    model.setChecked(4, true);  // already ticked: nothing runs
    EXPECT_TRUE(chart.calls.isEmpty());
}

TEST_F(ChannelPanelTest, ctrlF8_togglesBothRangeItemsOnly) {
    QAction* volts = model.mnuChannelRangeVolts;
    QAction* scale = model.mnuChannelRangeScale;
    volts->setChecked(true);
    for (Qt::KeyboardModifiers mods :
         {Qt::KeyboardModifiers(), Qt::ControlModifier | Qt::ShiftModifier,
          Qt::ControlModifier | Qt::AltModifier}) {
        panel.Form_KeyDown(Qt::Key_F8, mods);
    }
    panel.Form_KeyDown(Qt::Key_F7, Qt::ControlModifier);
    EXPECT_FALSE(volts->isVisible() || scale->isVisible());

    panel.Form_KeyDown(Qt::Key_F8, Qt::ControlModifier);
    EXPECT_TRUE(volts->isVisible() && scale->isVisible());
    panel.Form_KeyDown(Qt::Key_F8, Qt::ControlModifier);
    EXPECT_FALSE(volts->isVisible() || scale->isVisible());
    EXPECT_TRUE(volts->isChecked());
    EXPECT_FALSE(scale->isChecked());
}

TEST_F(ChannelPanelTest, help_showsNotice) {
    panel.mnuHelpHelp_Click();
    EXPECT_EQ(messages.okTexts, QStringList{"No on-board Help file is available in this version!"});
}

}  // namespace
}  // namespace quorlin
