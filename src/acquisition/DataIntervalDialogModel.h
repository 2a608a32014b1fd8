#pragma once

#include <QString>

#include <array>

namespace quorlin {

struct SettingsModel;
class MessageBox;

// Minimum milliseconds between two data rows for a number of points per "Seconds", "Minutes"
// or "Hours" (compared exactly), as a whole number with halves to the even neighbour. Any
// other unit, and a count that is not positive, give 0: no restriction.
double CalculateMSInterval(const QString& unit, double points);

enum class IntervalOption { None, Seconds, Minutes, Hours, NoRestriction };

// What the Set Data Interval dialog shows and does, without the widgets.
class DataIntervalDialogModel {
  public:
    static constexpr int kMinCount = 1;
    static constexpr int kMaxCount = 10;

    DataIntervalDialogModel(SettingsModel& settings, MessageBox& messages);

    // Shows the setting in force: its option, its count, the interval in the label.
    void Load();

    IntervalOption selected() const { return selected_; }
    // The operator picks an option: every count goes back to 1.
    void selectOption(IntervalOption option);

    // Counts of the Seconds, Minutes and Hours fields (1..10; other options have none).
    int count(IntervalOption unit) const;
    void setCount(IntervalOption unit, int value);

    // lblMS: the interval in force, in milliseconds.
    const QString& msLabel() const { return msLabel_; }

    // Applies the selection to the settings. False (after a message) when nothing is
    // selected: the dialog stays open.
    bool cmdOK_Click();

  private:
    static int countIndex(IntervalOption unit);  // -1 for options without a count

    SettingsModel& settings_;
    MessageBox& messages_;
    IntervalOption selected_ = IntervalOption::None;
    std::array<int, 3> counts_{kMinCount, kMinCount, kMinCount};  // seconds, minutes, hours
    QString msLabel_ = QStringLiteral("Current MS Interval");
};

}  // namespace quorlin
