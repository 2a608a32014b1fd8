#pragma once

#include "chart/PointTable.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace quorlin {

// Where a later m4Columns call may take up the work again, when the table has only grown
// and the pixel mapping is unchanged: the first table column of the last visible pixel
// column, and how much of the output lies before it.
struct M4Resume {
    bool valid = false;
    qint64 column = 0;
    std::size_t kept = 0;
};

// Chooses the columns of a table worth drawing as a line of one-pixel width.
//
// Points whose horizontal pixel coordinate falls into the same pixel column (the coordinate
// rounded, as an aliased line's end is) are reduced to four: the first, the lowest, the
// highest and the last, in column order. The lines between them cover that column's
// vertical span exactly as the lines through every point would, and the lines between
// neighbouring columns are the same in both. Visible columns are [left, right); beyond them
// only the nearest point on each side is kept, for the line that enters the visible area.
//
// toPixel must map x to the pixel coordinate exactly as the drawing does, and be
// non-decreasing. Work per call is O(columns * log n), independent of the history's length;
// given a valid `resume` (same table grown since, same mapping) it redoes only the last
// pixel column onwards. Returns how many leading entries of `out` were left as they were.
// A table that is not ordered (holes, x going back) gets every filled column. A `columnLimit`
// of zero or more considers only the table's first `columnLimit` columns (a frozen view of a table
// that goes on growing).
template <class ToPixel>
std::size_t m4Columns(const PointTable& table, int left, int right, ToPixel toPixel,
                      std::vector<qint64>& out, M4Resume* resume = nullptr,
                      qint64 columnLimit = -1) {
    M4Resume unused;
    M4Resume& r = resume ? *resume : unused;
    if (!table.isOrdered()) {
        r.valid = false;
        out.clear();
        const qint64 columns =
            columnLimit >= 0 ? std::min(columnLimit, table.columnCount()) : table.columnCount();
        for (qint64 c = 0; c < columns; ++c) {
            if (table.isFilled(c)) {
                out.push_back(c);
            }
        }
        return 0;
    }
    const qint64 n =
        columnLimit >= 0 ? std::min(columnLimit, table.filledCount()) : table.filledCount();
    // The pixel column of a column of the table: its coordinate rounded as an aliased line
    // end is (qRound).
    auto pixelColumn = [&](qint64 c) { return std::floor(toPixel(table.x(c)) + 0.5); };
    // The first point in [lo, hi] at or right of the target column, by halving.
    auto bisect = [&](qint64 lo, qint64 hi, double target) {
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
        return bisect(lo, hi, target);
    };
    // The same, given a guess of the answer (evenly spread points: the previous pixel column's
    // count ahead). A long history does not fit the processor's caches, and each probe far
    // away costs a memory access; a good guess needs two probes side by side.
    auto firstAtOrRightOfNear = [&](qint64 from, qint64 limit, double target, qint64 guess) {
        const qint64 g = std::clamp(guess, from, limit);
        if (g < limit && pixelColumn(g) < target) {
            return firstAtOrRightOf(g + 1, limit, target);
        }
        if (g == from || pixelColumn(g - 1) < target) {
            return g;
        }
        return bisect(from, g - 1, target);  // the answer lies in [from, g - 1]
    };
    qint64 begin = 0;
    std::size_t kept = 0;
    if (r.valid && r.column < n && r.kept <= out.size()) {
        kept = r.kept;
        out.resize(kept);
        begin = r.column;
    } else {
        out.clear();
        begin = firstAtOrRightOf(0, n, left);
        if (begin > 0) {
            out.push_back(begin - 1);
        }
    }
    const qint64 end = firstAtOrRightOf(begin, n, right);
    // First where each visible pixel column starts, then their points. A long history does
    // not fit the caches: the searches ask for the times a few pixel columns ahead.
    constexpr std::size_t kAhead = 4;
    std::vector<qint64> starts;
    qint64 previousCount = 1;
    for (qint64 i = begin; i < end;) {
        starts.push_back(i);
        if (i + static_cast<qint64>(kAhead) * previousCount < end) {
            table.prefetchColumn(i + static_cast<qint64>(kAhead) * previousCount);
        }
        const qint64 j = firstAtOrRightOfNear(i + 1, end, pixelColumn(i) + 1, i + previousCount);
        previousCount = j - i;
        i = j;
    }
    starts.push_back(end);
    // The extremes of the pixel columns with more than four points, all in one go.
    std::vector<PointTable::Range> ranges;
    for (std::size_t k = 0; k + 1 < starts.size(); ++k) {
        if (starts[k + 1] - starts[k] > 4) {
            ranges.push_back(PointTable::Range{starts[k], starts[k + 1]});
        }
    }
    std::vector<PointTable::Extremes> extremes;
    table.extremes(ranges, extremes);
    // Only a visible pixel column is offered for taking up again: it lies at or before the
    // last column, the only one that may be rewritten before the table grows.
    r.valid = false;
    std::size_t next = 0;
    for (std::size_t k = 0; k + 1 < starts.size(); ++k) {
        const qint64 i = starts[k];
        const qint64 j = starts[k + 1];
        r = M4Resume{true, i, out.size()};
        if (j - i <= 4) {
            for (qint64 c = i; c < j; ++c) {
                out.push_back(c);
            }
        } else {
            const PointTable::Extremes e = extremes[next++];
            const qint64 pick[4] = {i, std::min(e.lowest, e.highest), std::max(e.lowest, e.highest),
                                    j - 1};
            for (int c = 0; c < 4; ++c) {
                if (c == 0 || pick[c] != pick[c - 1]) {
                    out.push_back(pick[c]);
                }
            }
        }
    }
    if (end < n) {
        out.push_back(end);
    }
    return kept;
}

}  // namespace quorlin
