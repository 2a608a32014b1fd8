#pragma once

#include "common/PointTable.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace quorlin {

// Chooses the columns of a table worth drawing as a line of one-pixel width.
//
// Points whose horizontal pixel coordinate falls into the same pixel column (the coordinate
// rounded, as an aliased line's end is) are reduced to four: the first, the lowest, the highest and
// the last, in column order. The lines between them cover that column's vertical span exactly as
// the lines through every point would, and the lines between neighbouring columns are the same in
// both. Visible columns are [left, right); beyond them only the nearest point on each side is kept,
// for the line that enters the visible area.
//
// toPixel must map x to the pixel coordinate exactly as the drawing does, and be
// non-decreasing. Work per call is O(columns * log n), independent of the history's length.
// A table that is not ordered (holes, x going back) gets every filled column.
template <class ToPixel>
void m4Columns(const PointTable& table, int left, int right, ToPixel toPixel,
               std::vector<qint64>& out) {
    out.clear();
    if (!table.isOrdered()) {
        for (qint64 c = 0; c < table.columnCount(); ++c) {
            if (table.isFilled(c)) {
                out.push_back(c);
            }
        }
        return;
    }
    const qint64 n = table.filledCount();
    if (n == 0) {
        return;
    }
    // The pixel column of a column of the table: its coordinate rounded as an aliased line
    // end is (qRound).
    auto pixelColumn = [&](qint64 c) { return std::floor(toPixel(table.x(c)) + 0.5); };
    // First column in [from, limit) whose pixel column is >= target, else limit. Galloping
    // from `from`, so short steps cost little.
    auto firstAtOrRightOf = [&](qint64 from, qint64 limit, double target) {
        qint64 lo = from;
        qint64 step = 1;
        qint64 hi = from;
        while (hi < limit && pixelColumn(hi) < target) {
            lo = hi + 1;
            hi = std::min(limit, hi + step);
            step *= 2;
        }
        while (lo < hi) {
            const qint64 mid = lo + (hi - lo) / 2;
            if (pixelColumn(mid) < target) {
                lo = mid + 1;
            } else {
                hi = mid;
            }
        }
        return lo;
    };
    const qint64 begin = firstAtOrRightOf(0, n, left);
    const qint64 end = firstAtOrRightOf(begin, n, right);
    if (begin > 0) {
        out.push_back(begin - 1);
    }
    if (end - begin <= 4 * qint64{std::max(right - left, 1)}) {
        for (qint64 i = begin; i < end; ++i) {
            out.push_back(i);
        }
    } else {
        qint64 i = begin;
        while (i < end) {
            const qint64 j = firstAtOrRightOf(i + 1, end, pixelColumn(i) + 1);
            if (j - i <= 4) {
                for (qint64 k = i; k < j; ++k) {
                    out.push_back(k);
                }
            } else {
                const PointTable::Extremes e = table.extremes(i, j);
                qint64 pick[4] = {i, std::min(e.lowest, e.highest), std::max(e.lowest, e.highest),
                                  j - 1};
                for (int k = 0; k < 4; ++k) {
                    if (k == 0 || pick[k] != pick[k - 1]) {
                        out.push_back(pick[k]);
                    }
                }
            }
            i = j;
        }
    }
    if (end < n) {
        out.push_back(end);
    }
}

}  // namespace quorlin
