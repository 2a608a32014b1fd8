#include "acquisition/DataIntervalDialogModel.h"

#include "common/NumberText.h"
#include "common/Rounding.h"
#include "config/SettingsModel.h"
#include "platform/MessageBox.h"

#include <algorithm>

namespace quorlin {

double CalculateMSInterval(const QString& unit, double points) {
    double perUnit = 0;
    if (unit == QLatin1String("Seconds")) {
        perUnit = 1000;
    } else if (unit == QLatin1String("Minutes")) {
        perUnit = 60000;
    } else if (unit == QLatin1String("Hours")) {
        perUnit = 3600000;
    }
    if (perUnit == 0 || !(points > 0)) {
        return 0;
    }
    return roundHalfEven(perUnit / points, 0);
}

DataIntervalDialogModel::DataIntervalDialogModel(SettingsModel& settings, MessageBox& messages)
    : settings_(settings), messages_(messages) {}

void DataIntervalDialogModel::Load() {
    const QString& unit = settings_.DataIntervalUnit;
    IntervalOption option = IntervalOption::None;
    if (unit == QLatin1String("Seconds")) {
        option = IntervalOption::Seconds;
    } else if (unit == QLatin1String("Minutes")) {
        option = IntervalOption::Minutes;
    } else if (unit == QLatin1String("Hours")) {
        option = IntervalOption::Hours;
    } else if (unit == QLatin1String("No Restriction")) {
        option = IntervalOption::NoRestriction;
    }
    if (option != IntervalOption::None) {
        selectOption(option);
    }
    if (countIndex(option) >= 0) {
        const double points = settings_.DataIntervalPoints;
        setCount(option, points >= kMaxCount  ? kMaxCount
                         : points > kMinCount ? static_cast<int>(points)
                                              : kMinCount);
    }
    msLabel_ = shortNumberText(settings_.DataIntervalMs);
}

void DataIntervalDialogModel::selectOption(IntervalOption option) {
    selected_ = option;
    counts_.fill(kMinCount);
}

int DataIntervalDialogModel::countIndex(IntervalOption unit) {
    switch (unit) {
        case IntervalOption::Seconds:
            return 0;
        case IntervalOption::Minutes:
            return 1;
        case IntervalOption::Hours:
            return 2;
        default:
            return -1;
    }
}

int DataIntervalDialogModel::count(IntervalOption unit) const {
    const int i = countIndex(unit);
    return i >= 0 ? counts_[i] : 0;
}

void DataIntervalDialogModel::setCount(IntervalOption unit, int value) {
    const int i = countIndex(unit);
    if (i >= 0) {
        counts_[i] = std::clamp(value, kMinCount, kMaxCount);
    }
}

bool DataIntervalDialogModel::cmdOK_Click() {
    switch (selected_) {
        case IntervalOption::None:
            messages_.showOk(QStringLiteral("No setting has been selected!"));
            return false;
        case IntervalOption::Seconds:
            settings_.DataIntervalUnit = QStringLiteral("Seconds");
            break;
        case IntervalOption::Minutes:
            settings_.DataIntervalUnit = QStringLiteral("Minutes");
            break;
        case IntervalOption::Hours:
            settings_.DataIntervalUnit = QStringLiteral("Hours");
            break;
        case IntervalOption::NoRestriction:
            settings_.DataIntervalUnit = QStringLiteral("No Restriction");
            break;
    }
    settings_.DataIntervalPoints = count(selected_);  // 0 for No Restriction
    settings_.DataIntervalMs =
        CalculateMSInterval(settings_.DataIntervalUnit, settings_.DataIntervalPoints);
    return true;
}

}  // namespace quorlin
