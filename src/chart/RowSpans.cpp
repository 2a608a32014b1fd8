#include "chart/RowSpans.h"

#include <algorithm>
#include <climits>

namespace quorlin {

namespace {

struct Interval {
    int top;
    int bottom;
};

// Rows of a's intervals that lie in none of b's (both sorted and disjoint), as intervals.
template <class Fn>
void subtract(const std::vector<Interval>& a, const std::vector<Interval>& b, Fn each) {
    std::size_t j = 0;
    for (const Interval& i : a) {
        int from = i.top;
        while (j < b.size() && b[j].bottom < from) {
            ++j;
        }
        for (std::size_t k = j; k < b.size() && b[k].top <= i.bottom && from <= i.bottom; ++k) {
            if (b[k].top > from) {
                each(Interval{from, b[k].top - 1});
            }
            from = std::max(from, b[k].bottom + 1);
        }
        if (from <= i.bottom) {
            each(Interval{from, i.bottom});
        }
    }
}

}  // namespace

void rowSpans(std::vector<ColumnRun>& runs, int rowLimitTop, int rowLimitBottom,
              std::vector<QRect>& out) {
    out.clear();
    runs.erase(std::remove_if(runs.begin(), runs.end(),
                              [&](ColumnRun& r) {
                                  r.top = std::max(r.top, rowLimitTop);
                                  r.bottom = std::min(r.bottom, rowLimitBottom);
                                  return r.top > r.bottom;
                              }),
               runs.end());
    if (runs.empty()) {
        return;
    }
    std::sort(runs.begin(), runs.end(), [](const ColumnRun& a, const ColumnRun& b) {
        return a.x != b.x ? a.x < b.x : a.top < b.top;
    });
    int firstRow = INT_MAX;
    int lastRow = INT_MIN;
    for (const ColumnRun& r : runs) {
        firstRow = std::min(firstRow, r.top);
        lastRow = std::max(lastRow, r.bottom);
    }
    // The column where each row's open rectangle starts.
    std::vector<int> openSince(static_cast<std::size_t>(lastRow - firstRow + 1), 0);
    auto since = [&](int row) -> int& {
        return openSince[static_cast<std::size_t>(row - firstRow)];
    };
    // Rows of `rows` that end in column x: stacked where neighbours started in one column.
    auto close = [&](const Interval& rows, int x) {
        int row = rows.top;
        while (row <= rows.bottom) {
            const int start = since(row);
            int last = row;
            while (last < rows.bottom && since(last + 1) == start) {
                ++last;
            }
            out.emplace_back(start, row, x - start + 1, last - row + 1);
            row = last + 1;
        }
    };
    auto open = [&](const Interval& rows, int x) {
        for (int row = rows.top; row <= rows.bottom; ++row) {
            since(row) = x;
        }
    };
    std::vector<Interval> previous;
    std::vector<Interval> current;
    int previousX = 0;
    for (std::size_t i = 0; i < runs.size();) {
        const int x = runs[i].x;
        current.clear();
        for (; i < runs.size() && runs[i].x == x; ++i) {
            if (!current.empty() && runs[i].top <= current.back().bottom + 1) {
                current.back().bottom = std::max(current.back().bottom, runs[i].bottom);
            } else {
                current.push_back(Interval{runs[i].top, runs[i].bottom});
            }
        }
        if (!previous.empty() && previousX + 1 == x) {
            subtract(previous, current, [&](const Interval& rows) { close(rows, previousX); });
            subtract(current, previous, [&](const Interval& rows) { open(rows, x); });
        } else {
            for (const Interval& rows : previous) {
                close(rows, previousX);
            }
            for (const Interval& rows : current) {
                open(rows, x);
            }
        }
        std::swap(previous, current);
        previousX = x;
    }
    for (const Interval& rows : previous) {
        close(rows, previousX);
    }
}

}  // namespace quorlin
