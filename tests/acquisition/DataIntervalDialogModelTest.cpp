#include "acquisition/DataIntervalDialog.h"
#include "acquisition/DataIntervalDialogModel.h"

#include "config/SettingsModel.h"
#include "support/AccessibleRoute.h"
#include "support/Fakes.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

using namespace quorlin;
using namespace quorlin::test;

TEST(DataInterval, intervalIsTheRoundedQuotientPerUnit) {
    const struct {
        const char* unit;
        double points;
        double ms;
    } table[] = {{"Seconds", 1, 1000},     {"Seconds", 3, 333},  {"Seconds", 6, 167},
                 {"Seconds", 7, 143},      {"Seconds", 9, 111},  {"Seconds", 10, 100},
                 {"Minutes", 7, 8571},     {"Minutes", 9, 6667}, {"Minutes", 1, 60000},
                 {"Minutes", 4, 15000},    {"Hours", 7, 514286}, {"Hours", 1, 3600000},
                 {"Seconds", 400, 2},      {"Seconds", 2000, 0}, {"Seconds", 80, 12},
                 {"No Restriction", 5, 0}, {"seconds", 1, 0},    {"", 1, 0},
                 {"Hours ", 1, 0},         {"Seconds", 0, 0}};
    for (const auto& row : table) {
        EXPECT_EQ(CalculateMSInterval(QString::fromLatin1(row.unit), row.points), row.ms)
            << row.unit << " " << row.points;
    }
}

namespace {

class DataIntervalModelTest : public ::testing::Test {
  protected:
    void SetUp() override { settings.DataIntervalUnit = QStringLiteral("No Restriction"); }
    SettingsModel settings;
    RecordingMessageBox messages;
};

}  // namespace

TEST_F(DataIntervalModelTest, startUpState_loadsNoRestrictionWithCountsOfOne) {
    DataIntervalDialogModel model(settings, messages);
    model.Load();
    EXPECT_EQ(model.selected(), IntervalOption::NoRestriction);
    for (auto unit : {IntervalOption::Seconds, IntervalOption::Minutes, IntervalOption::Hours}) {
        EXPECT_EQ(model.count(unit), 1);
    }
    EXPECT_EQ(model.msLabel(), "0");
}

TEST_F(DataIntervalModelTest, choosingAnOption_resetsEveryCount) {
    DataIntervalDialogModel model(settings, messages);
    model.Load();
    model.selectOption(IntervalOption::Minutes);
    model.setCount(IntervalOption::Minutes, 7);
    model.setCount(IntervalOption::Hours, 3);
    model.selectOption(IntervalOption::Hours);
    EXPECT_EQ(model.count(IntervalOption::Minutes), 1);
    EXPECT_EQ(model.count(IntervalOption::Hours), 1);
    model.setCount(IntervalOption::Seconds, 0);
    model.setCount(IntervalOption::Hours, 11);
    EXPECT_EQ(model.count(IntervalOption::Seconds), 1);
    EXPECT_EQ(model.count(IntervalOption::Hours), 10);
}

TEST_F(DataIntervalModelTest, ok_appliesTheSelectionAndReopeningShowsIt) {
    {
        DataIntervalDialogModel model(settings, messages);
        model.Load();
        model.selectOption(IntervalOption::Minutes);
        model.setCount(IntervalOption::Minutes, 4);
        EXPECT_EQ(model.msLabel(), "0");  // shows the interval in force, not the one edited
        EXPECT_TRUE(model.cmdOK_Click());
    }
    EXPECT_EQ(settings.DataIntervalUnit, "Minutes");
    EXPECT_EQ(settings.DataIntervalPoints, 4);
    EXPECT_EQ(settings.DataIntervalMs, 15000);

    DataIntervalDialogModel reopened(settings, messages);
    reopened.Load();
    EXPECT_EQ(reopened.selected(), IntervalOption::Minutes);
    EXPECT_EQ(reopened.count(IntervalOption::Minutes), 4);
    EXPECT_EQ(reopened.count(IntervalOption::Seconds), 1);
    EXPECT_EQ(reopened.count(IntervalOption::Hours), 1);
    EXPECT_EQ(reopened.msLabel(), "15000");

    reopened.setCount(IntervalOption::Minutes, 9);
    reopened.selectOption(IntervalOption::NoRestriction);
    reopened.setCount(IntervalOption::Seconds, 5);
    EXPECT_TRUE(reopened.cmdOK_Click());
    EXPECT_EQ(settings.DataIntervalUnit, "No Restriction");
    EXPECT_EQ(settings.DataIntervalPoints, 0);
    EXPECT_EQ(settings.DataIntervalMs, 0);
    EXPECT_TRUE(messages.all.isEmpty());
}

TEST_F(DataIntervalModelTest, okWithoutSelection_saysSoAndChangesNothing) {
    settings.DataIntervalUnit = QStringLiteral("Hours");
    settings.DataIntervalPoints = 7;
    settings.DataIntervalMs = 514286;
    DataIntervalDialogModel model(settings, messages);  // not loaded: nothing selected
    EXPECT_FALSE(model.cmdOK_Click());
    EXPECT_EQ(messages.okTexts, QStringList{"No setting has been selected!"});
    EXPECT_EQ(settings.DataIntervalUnit, "Hours");
    EXPECT_EQ(settings.DataIntervalMs, 514286);
}

TEST_F(DataIntervalModelTest, dialog_mirrorsTheModelAndCarriesItsNames) {
    settings.DataIntervalUnit = QStringLiteral("Seconds");
    settings.DataIntervalPoints = 3;
    settings.DataIntervalMs = 333;
    DataIntervalDialog dialog(settings, messages);
    dialog.show();

    EXPECT_EQ(dialog.objectName(), "SetDataInterval");
    EXPECT_EQ(dialog.windowTitle(), "Set Data Interval");
    EXPECT_TRUE(dialog.isModal());
    ASSERT_NE(dialog.findChild<QWidget*>(QStringLiteral("fraSettings")), nullptr);
    auto* seconds = dialog.findChild<QRadioButton*>(QStringLiteral("optSeconds"));
    auto* minutes = dialog.findChild<QRadioButton*>(QStringLiteral("OptMinutes"));
    auto* hours = dialog.findChild<QRadioButton*>(QStringLiteral("optHours"));
    auto* none = dialog.findChild<QRadioButton*>(QStringLiteral("optNoRestriction"));
    auto* numSeconds = dialog.findChild<QSpinBox*>(QStringLiteral("NumEditSeconds"));
    auto* numMinutes = dialog.findChild<QSpinBox*>(QStringLiteral("NumEditMinutes"));
    auto* numHours = dialog.findChild<QSpinBox*>(QStringLiteral("NumEditHours"));
    auto* label = dialog.findChild<QLabel*>(QStringLiteral("lblMS"));
    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"));
    ASSERT_TRUE(seconds && minutes && hours && none && numSeconds && numMinutes && numHours &&
                label && ok);
    EXPECT_EQ(seconds->text(), QString());
    EXPECT_EQ(minutes->accessibleName(), "Minutes");
    EXPECT_EQ(none->text(), "No Restriction");
    EXPECT_EQ(numHours->accessibleName(), "Points per Hour");
    EXPECT_EQ(numHours->minimum(), 1);
    EXPECT_EQ(numHours->maximum(), 10);
    EXPECT_EQ(ok->text(), "OK");

    // Loaded when shown.
    EXPECT_TRUE(seconds->isChecked());
    EXPECT_EQ(numSeconds->value(), 3);
    EXPECT_EQ(label->text(), "333");

    // Another option resets the counts, the edited one too.
    numSeconds->setValue(8);
    numHours->setValue(6);
    QTest::mouseClick(hours, Qt::LeftButton);
    EXPECT_TRUE(hours->isChecked());
    EXPECT_EQ(numSeconds->value(), 1);
    EXPECT_EQ(numHours->value(), 1);

    numHours->setValue(7);
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(settings.DataIntervalUnit, "Hours");
    EXPECT_EQ(settings.DataIntervalPoints, 7);
    EXPECT_EQ(settings.DataIntervalMs, 514286);
}

TEST_F(DataIntervalModelTest, dialogClosedWithoutOk_changesNothing) {
    DataIntervalDialog dialog(settings, messages);
    dialog.show();
    auto* seconds = dialog.findChild<QRadioButton*>(QStringLiteral("optSeconds"));
    QTest::mouseClick(seconds, Qt::LeftButton);
    dialog.reject();
    EXPECT_EQ(settings.DataIntervalUnit, "No Restriction");
    EXPECT_EQ(settings.DataIntervalMs, 0);
}

// What OK applies is what the dialog shows, also when assistive technology chose it.
TEST_F(DataIntervalModelTest, dialog_optionAndCountSetThroughAccessibility_areWhatOkApplies) {
    DataIntervalDialog dialog(settings, messages);
    dialog.show();
    auto* seconds = dialog.findChild<QRadioButton*>(QStringLiteral("optSeconds"));
    accessibleToggle(seconds);
    ASSERT_TRUE(seconds->isChecked());
    QAccessible::queryAccessibleInterface(
        dialog.findChild<QSpinBox*>(QStringLiteral("NumEditSeconds")))
        ->valueInterface()
        ->setCurrentValue(4);
    dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    EXPECT_EQ(settings.DataIntervalUnit, "Seconds");
    EXPECT_EQ(settings.DataIntervalPoints, 4);
    EXPECT_EQ(settings.DataIntervalMs, 250);
}
