#include "display/ChannelRange.h"

#include <gtest/gtest.h>

namespace quorlin {
namespace {

class ChannelRangeTest : public ::testing::Test {
  protected:
    QStringList readout() const {
        return {model.hiLabel(), model.hiText(), model.loLabel(), model.loText(), model.diffText()};
    }
    QString marks() const {
        return QStringLiteral("%1%2%3")
            .arg(int(model.mnuChannelRangeVolts->isChecked()))
            .arg(int(model.mnuChannelRangeScale->isChecked()))
            .arg(int(model.readoutVisible()));
    }

    SettingsModel settings;
    AcquisitionValues values;
    MainWindowModel model;
    ChannelRange range{settings, values, model};
};

TEST_F(ChannelRangeTest, update_activeChannelsOnlyEqualValuesKeepChannelOrder) {
    settings.ChannelActive = {0, 1, 0, 0, 1, 0, 1, 0};
    values.ChannelVolts = {9, 0.5, 9, 9, -1.25, 9, 0.5, -9};
    range.UpdateChannelRangeVolts();
    EXPECT_EQ(readout(), (QStringList{"CH6", "0.5", "CH4", "-1.25", "1.75"}));

    settings.ChannelActive.fill(1);
    values.ChannelScaled = {3, 7.25, -2, 5, 7, -2.5, -2.5, 1};  // needs several passes
    range.UpdateChannelRangeScale();
    EXPECT_EQ(readout(), (QStringList{"CH1", "7.25", "CH5", "-2.5", "9.75"}));

    settings.ChannelActive = {0, 0, 0, 1, 0, 0, 0, 0};
    values.ChannelVolts[3] = -0.125;
    range.UpdateChannelRangeVolts();
    EXPECT_EQ(readout(), (QStringList{"CH3", "-0.125", "CH3", "-0.125", "0"}));

    settings.ChannelActive[3] = 2;  // no active channel: the readout keeps what it showed
    values.ChannelVolts[3] = 4;
    range.UpdateChannelRangeVolts();
    EXPECT_EQ(readout(), (QStringList{"CH3", "-0.125", "CH3", "-0.125", "0"}));
}

TEST_F(ChannelRangeTest, menuClicks_switchKindOrOffAndClearEachTime) {
    const QStringList cleared{"High", "", "Low", "", ""};
    settings.ChannelActive[0] = 1;
    range.mnuChannelRangeScale_Click();
    EXPECT_EQ(marks(), QStringLiteral("011"));
    range.UpdateChannelRangeScale();
    range.mnuChannelRangeVolts_Click();
    EXPECT_EQ(marks(), QStringLiteral("101"));
    EXPECT_EQ(readout(), cleared);
    range.UpdateChannelRangeVolts();
    range.mnuChannelRangeVolts_Click();
    EXPECT_EQ(marks(), QStringLiteral("000"));
    EXPECT_EQ(readout(), cleared);
}

TEST_F(ChannelRangeTest, wiredToTriggered_sameResultAlthoughQtFlipsTheMarkFirst) {
    QObject::connect(model.mnuChannelRangeVolts, &QAction::triggered,
                     [this] { range.mnuChannelRangeVolts_Click(); });
    QObject::connect(model.mnuChannelRangeScale, &QAction::triggered,
                     [this] { range.mnuChannelRangeScale_Click(); });
    model.mnuChannelRangeVolts->trigger();
    EXPECT_EQ(marks(), QStringLiteral("101"));
    model.mnuChannelRangeScale->trigger();
    EXPECT_EQ(marks(), QStringLiteral("011"));
    model.mnuChannelRangeScale->trigger();
    EXPECT_EQ(marks(), QStringLiteral("000"));
}

}  // namespace
}  // namespace quorlin
