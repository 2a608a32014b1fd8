#include "display/ChannelPanel.h"

#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace quorlin {
namespace {

using test::RecordingChart;
using test::RecordingMessageBox;

class ChannelPanelTest : public ::testing::Test {
  protected:
    ChannelPanelTest() {
        settings.YAxisUpper = 10;
        settings.YAxisLower = -2;
        for (int k = 0; k < kChannelCount; ++k) {
            settings.Units[k] = QStringLiteral("U%1").arg(k);
        }
    }

    void activate(std::initializer_list<int> active) {
        settings.ChannelActive.fill(0);
        for (int k : active) {
            settings.ChannelActive[k] = 1;
        }
        panel.LayoutChannelPanel();
    }

    SettingsModel settings;
    MainWindowModel model;
    RecordingChart chart;
    RecordingMessageBox messages;
    int samplesAveragedSent = 0;
    ChannelPanel panel{settings, model, chart, messages, [this] { ++samplesAveragedSent; }};
};

TEST_F(ChannelPanelTest, allInactive_hidesGroupsAndUnticksEveryBox) {
    activate({0, 1, 2, 3, 4, 5, 6, 7});
    activate({});
    for (int k = 0; k < kChannelCount; ++k) {
        EXPECT_FALSE(model.row(k).checked) << k;
        EXPECT_FALSE(model.row(k).frameVisible) << k;
        EXPECT_FALSE(chart.visible[k + 1]) << k;
    }
    EXPECT_FALSE(model.groupVisible(0));
    EXPECT_FALSE(model.groupVisible(1));
}

TEST_F(ChannelPanelTest, onlyCh5Active_showsSecondGroupWithOnlyItsRow) {
    activate({5});
    EXPECT_FALSE(model.groupVisible(0));
    EXPECT_TRUE(model.groupVisible(1));
    for (int k = 0; k < kChannelCount; ++k) {
        EXPECT_EQ(model.row(k).checked, k == 5) << k;
        EXPECT_EQ(model.row(k).frameVisible, k == 5) << k;
    }
    // The first group follows CH0..CH3 only.
    activate({3});
    EXPECT_TRUE(model.groupVisible(0));
    EXPECT_FALSE(model.groupVisible(1));
}

TEST_F(ChannelPanelTest, activeValueOtherThanZeroOrOne_keepsTheRowAsItWas) {
    activate({2});
    settings.ChannelActive[2] = 2;  // hand-edited file
    settings.ChannelActive[6] = 2;
    panel.LayoutChannelPanel();
    EXPECT_TRUE(model.row(2).checked);
    EXPECT_TRUE(model.row(2).frameVisible);
    EXPECT_FALSE(model.row(6).checked);
    EXPECT_FALSE(model.row(6).frameVisible);
    // Neither counts as active for its group.
    EXPECT_FALSE(model.groupVisible(0));
    EXPECT_FALSE(model.groupVisible(1));
}

TEST_F(ChannelPanelTest, layout_showsUnitsAndSetsYMaximumBeforeMinimum) {
    activate({0});
    for (int k = 0; k < kChannelCount; ++k) {
        EXPECT_EQ(model.row(k).unitText, QStringLiteral("U%1").arg(k));
    }
    const qsizetype max = chart.calls.indexOf(QStringLiteral("ymax 10"));
    const qsizetype min = chart.calls.indexOf(QStringLiteral("ymin -2"));
    ASSERT_GE(max, 0);
    ASSERT_GE(min, 0);
    EXPECT_LT(max, min);

    settings.Units[3] = QStringLiteral("kPa");  // back from the configuration window
    panel.LayoutChannelPanel();
    EXPECT_EQ(model.row(3).unitText, QStringLiteral("kPa"));
}

TEST_F(ChannelPanelTest, samplesAveraged_sentOnlyWhenAPortIsChosen) {
    settings.CurrentCommPort = 0;
    panel.LayoutChannelPanel();
    EXPECT_EQ(samplesAveragedSent, 0);
    settings.CurrentCommPort = 3;
    panel.LayoutChannelPanel();
    EXPECT_EQ(samplesAveragedSent, 1);
}

TEST_F(ChannelPanelTest, activate_layoutThenCaptionThenColours) {
    settings.CurrentCommPort = 1;
    settings.GraphScale = true;
    settings.PlotColor[7] = 0x123456;
    settings.GraphBackColor = 0x00FF00;
    int sentAtCall = -1;
    ChannelPanel ordered(settings, model, chart, messages,
                         [&] { sentAtCall = static_cast<int>(chart.calls.size()); });
    ordered.Activate();
    // The samples-averaged commands end the layout: after the Y range, before the caption.
    EXPECT_EQ(chart.calls.value(sentAtCall - 1), QStringLiteral("ymin -2"));
    EXPECT_EQ(chart.calls.value(sentAtCall), QStringLiteral("caption Scale"));
    EXPECT_EQ(chart.calls.last(), QStringLiteral("background %1").arg(0x00FF00));
    EXPECT_EQ(model.row(7).colour, 0x123456);

    settings.GraphScale = false;
    ordered.Activate();
    EXPECT_EQ(chart.yCaption, QStringLiteral("Volts"));
}

TEST_F(ChannelPanelTest, tickChange_zeroesVoltsAndFollowsPlotWithoutTouchingSettings) {
    activate({4});
    model.setVoltsText(4, QStringLiteral("1.234"));
    QStringList voltsChanges;
    QObject::connect(&model, &MainWindowModel::rowChanged, [&](int k, RowField f) {
        if (f == RowField::VoltsText) {
            voltsChanges.append(QStringLiteral("%1 %2").arg(k).arg(model.row(k).voltsText));
        }
    });

    model.setChecked(4, false);  // the operator unticks the box
    EXPECT_EQ(model.row(4).voltsText, QStringLiteral("0"));
    EXPECT_EQ(voltsChanges, QStringList{QStringLiteral("4 0")});  // the conversion runs on it
    EXPECT_FALSE(chart.visible[5]);
    EXPECT_EQ(settings.ChannelActive[4], 1);

    model.setVoltsText(4, QStringLiteral("2"));
    model.setChecked(4, true);
    EXPECT_EQ(model.row(4).voltsText, QStringLiteral("0"));
    EXPECT_TRUE(chart.visible[5]);
    EXPECT_EQ(settings.ChannelActive[4], 1);

    // Setting the state it already has runs nothing.
    chart.calls.clear();
    model.setChecked(4, true);
    EXPECT_TRUE(chart.calls.isEmpty());
}

TEST_F(ChannelPanelTest, ctrlF8_togglesBothRangeItemsAndOtherKeysDoNothing) {
    QAction* volts = model.mnuChannelRangeVolts;
    QAction* scale = model.mnuChannelRangeScale;
    volts->setChecked(true);

    panel.Form_KeyDown(Qt::Key_F8, Qt::NoModifier);
    panel.Form_KeyDown(Qt::Key_F8, Qt::ControlModifier | Qt::ShiftModifier);
    panel.Form_KeyDown(Qt::Key_F8, Qt::ControlModifier | Qt::AltModifier);
    panel.Form_KeyDown(Qt::Key_F7, Qt::ControlModifier);
    EXPECT_FALSE(volts->isVisible());
    EXPECT_FALSE(scale->isVisible());

    panel.Form_KeyDown(Qt::Key_F8, Qt::ControlModifier);
    EXPECT_TRUE(volts->isVisible());
    EXPECT_TRUE(scale->isVisible());

    // Only Scale visible (out of step): the Volts item decides, both end up shown.
    volts->setVisible(false);
    panel.Form_KeyDown(Qt::Key_F8, Qt::ControlModifier);
    EXPECT_TRUE(volts->isVisible());
    EXPECT_TRUE(scale->isVisible());

    panel.Form_KeyDown(Qt::Key_F8, Qt::ControlModifier);
    EXPECT_FALSE(volts->isVisible());
    EXPECT_FALSE(scale->isVisible());
    EXPECT_TRUE(volts->isChecked());  // check marks untouched
    EXPECT_FALSE(scale->isChecked());
    EXPECT_FALSE(model.readoutVisible());
}

TEST_F(ChannelPanelTest, help_showsNotice) {
    panel.mnuHelpHelp_Click();
    EXPECT_EQ(messages.okTexts,
              QStringList{QStringLiteral("No on-board Help file is available in this version!")});
}

}  // namespace
}  // namespace quorlin
