#include "config/SwapColorDialog.h"
#include "config/SwapColorDialogModel.h"
#include "presentation/MainWindowModel.h"
#include "support/AccessibleRoute.h"
#include "support/Fakes.h"

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace quorlin {
namespace {

using M = SwapColorDialogModel;

class SwapColorDialogTest : public ::testing::Test {
  protected:
    SwapColorDialogTest() {
        // Row colour changes go into the chart's log, so the order of both shows.
        QObject::connect(&rows, &MainWindowModel::rowChanged, [this](int ch, RowField f) {
            if (f == RowField::Colour) {
                chart.calls.append(QStringLiteral("row %1 %2").arg(ch).arg(rows.row(ch).colour));
            }
        });
        for (int ch = 0; ch < kChannelCount; ++ch) {
            rows.setColour(ch, 0x100 + ch);
            chart.colour[ch + 1] = 0x100 + ch;
        }
        chart.background = 0x777;
        chart.calls.clear();
    }

    void expectUnchangedExcept(int changedChannel) {
        for (int ch = 0; ch < kChannelCount; ++ch) {
            if (ch != changedChannel) {
                EXPECT_EQ(rows.row(ch).colour, 0x100 + ch) << ch;
                EXPECT_EQ(chart.colour[ch + 1], 0x100 + ch) << ch;
            }
        }
    }

    MainWindowModel rows;
    test::RecordingChart chart;
    test::FakeColourDialog chooser;
    M model{rows, chart, chooser};
};

TEST_F(SwapColorDialogTest, defaultAll_paintsTheTableColoursLineThenBoxesBackgroundLast) {
    model.cmdDefault_Click();
    const ColourValue expected[] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF,
                                    0xFFFF00, 0xFF00FF, 0xFFFFFF, 0x808080};
    QStringList order;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        EXPECT_EQ(chart.colour[ch + 1], expected[ch]) << ch;
        EXPECT_EQ(rows.row(ch).colour, expected[ch]) << ch;
        order << QStringLiteral("colour %1 %2").arg(ch + 1).arg(expected[ch])
              << QStringLiteral("row %1 %2").arg(ch).arg(expected[ch]);
    }
    order << QStringLiteral("background 0");
    EXPECT_EQ(chart.calls, order);
    EXPECT_EQ(chart.background, 0);
}

TEST_F(SwapColorDialogTest, swapChannel3_changesPlot4AndCh3RowOnly) {
    model.setSelectedItem(3);
    chooser.answer = 0x123456;
    model.cmdSwap_Click();
    EXPECT_EQ(chooser.shown, 1);
    EXPECT_EQ(chart.colour[4], 0x123456);
    EXPECT_EQ(rows.row(3).colour, 0x123456);
    expectUnchangedExcept(3);
    EXPECT_EQ(chart.background, 0x777);
}

TEST_F(SwapColorDialogTest, swapGraphBackground_changesOnlyTheBackground) {
    model.setSelectedItem(M::kGraphBackground);
    chooser.answer = 0x00AA00;
    model.cmdSwap_Click();
    EXPECT_EQ(chart.background, 0x00AA00);
    expectUnchangedExcept(-1);
}

TEST_F(SwapColorDialogTest, swapWithNothingSelected_showsChooserAndChangesNothing) {
    chooser.answer = 0x00AA00;
    model.cmdSwap_Click();
    EXPECT_EQ(chooser.shown, 1);
    EXPECT_TRUE(chart.calls.isEmpty());
    expectUnchangedExcept(-1);
}

TEST_F(SwapColorDialogTest, cancelledChooser_changesNothing) {
    for (int item : {5, int(M::kGraphBackground)}) {
        model.setSelectedItem(item);
        chooser.answer.reset();
        model.cmdSwap_Click();
    }
    EXPECT_EQ(chooser.shown, 2);
    expectUnchangedExcept(-1);
    EXPECT_EQ(chart.background, 0x777);
}

TEST_F(SwapColorDialogTest, window_carriesNamesAndForwardsClicks) {
    SwapColorDialog dialog(model);
    dialog.show();
    EXPECT_EQ(dialog.objectName(), QStringLiteral("SwapColor"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Swap Color"));
    auto* frame = dialog.findChild<QGroupBox*>();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->title(), QStringLiteral("Select Item and Swap Color"));
    for (int ch = 0; ch < kChannelCount; ++ch) {
        auto* option = dialog.findChild<QRadioButton*>(QStringLiteral("optCH%1").arg(ch));
        ASSERT_TRUE(option) << ch;
        EXPECT_EQ(option->text(), QStringLiteral("Channel %1 Plot Line").arg(ch));
        EXPECT_FALSE(option->isChecked());
    }
    auto* gb = dialog.findChild<QRadioButton*>(QStringLiteral("optGB"));
    ASSERT_TRUE(gb);
    EXPECT_EQ(gb->text(), QStringLiteral("Graph Background"));
    auto* swap = dialog.findChild<QPushButton*>(QStringLiteral("cmdSwap"));
    auto* defaults = dialog.findChild<QPushButton*>(QStringLiteral("cmdDefault"));
    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"));
    ASSERT_TRUE(swap && defaults && ok);
    EXPECT_EQ(swap->text(), QStringLiteral("Swap"));
    EXPECT_EQ(defaults->text(), QStringLiteral("Default All"));
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));

    dialog.findChild<QRadioButton*>(QStringLiteral("optCH6"))->click();
    chooser.answer = 0x0000AB;
    swap->click();
    EXPECT_EQ(chart.colour[7], 0x0000AB);
    EXPECT_EQ(rows.row(6).colour, 0x0000AB);
    ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

// Swap paints the item the dialog shows as selected, also when assistive technology chose it.
TEST_F(SwapColorDialogTest, itemSelectedThroughAccessibility_isTheOneSwapPaints) {
    SwapColorDialog dialog(model);
    dialog.show();
    test::accessibleToggle(dialog.findChild<QRadioButton*>(QStringLiteral("optCH2")));
    chooser.answer = 0x00CD00;
    dialog.findChild<QPushButton*>(QStringLiteral("cmdSwap"))->click();
    EXPECT_EQ(chart.colour[3], 0x00CD00);
    EXPECT_EQ(rows.row(2).colour, 0x00CD00);
    expectUnchangedExcept(2);
}

}  // namespace
}  // namespace quorlin
