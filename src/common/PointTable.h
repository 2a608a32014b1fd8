#pragma once

#include <QtGlobal>

#include <cmath>
#include <limits>
#include <vector>

namespace quorlin {

// A plot's history: two rows (x = seconds, y = value) and one column per point, appended
// only. The last column may be empty (not yet filled), as after a reset.
class PointTable {
public:
    PointTable() { addEmptyColumn(); }

    qint64 columnCount() const { return static_cast<qint64>(x_.size()); }
    // Columns whose two cells both hold a value.
    qint64 filledCount() const { return filled_; }

    void setLast(double x, double y) {
        if (!lastFilled()) {
            ++filled_;
        }
        x_.back() = x;
        y_.back() = y;
    }
    void addEmptyColumn() {
        x_.push_back(std::numeric_limits<double>::quiet_NaN());
        y_.push_back(std::numeric_limits<double>::quiet_NaN());
    }
    double x(qint64 column) const { return x_[static_cast<size_t>(column)]; }
    double y(qint64 column) const { return y_[static_cast<size_t>(column)]; }

private:
    bool lastFilled() const { return !std::isnan(x_.back()); }

    std::vector<double> x_;
    std::vector<double> y_;
    qint64 filled_ = 0;
};

}  // namespace quorlin
