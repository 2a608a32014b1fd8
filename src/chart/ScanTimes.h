#pragma once

#include "chart/Prefetch.h"

#include <QtGlobal>

#include <cstddef>
#include <deque>
#include <limits>
#include <map>
#include <memory>
#include <vector>

namespace quorlin {

// The x row of the plot histories of one run: one time per scan, shared by the eight
// channels' tables.
//
// Scan times are seconds rounded to hundredths, so each is kept as a 32-bit count of
// hundredths from the first time set (a run of 248 days either way), and read back as that
// count divided by 100, which is the very double the time's text reads as. A time that does
// not come back exactly that way (not a whole number of hundredths, or out of reach) turns
// the whole row into doubles once. Empty cells read as NaN.
//
// A step between consecutive times far longer than the run's usual one is a break in the
// measurements (a reconnect, rows not written, a second run appended): nothing was measured
// there, so a chart does not join the points across it. The row keeps what that decision
// needs as it grows: the median step (a histogram of steps in hundredths) and an append-only
// max pyramid of the steps, so the breaks in a range are found without walking it.
class ScanTimes {
  public:
    ScanTimes() = default;
    ScanTimes(const ScanTimes& other);
    ScanTimes& operator=(const ScanTimes& other);
    ScanTimes(ScanTimes&&) noexcept = default;
    ScanTimes& operator=(ScanTimes&&) noexcept = default;
    ~ScanTimes();

    qint64 size() const { return size_; }
    // Grows to n cells; the new ones are empty.
    void extendTo(qint64 n);
    // cell < size(); NaN empties it.
    void set(qint64 cell, double seconds);
    double at(qint64 cell) const {
        if (!exact_.empty()) {
            return exact_[chunkOf(cell)][offsetOf(cell)];
        }
        const qint32 t = ticks_[chunkOf(cell)][offsetOf(cell)];
        return t == kEmptyTick ? kEmpty : static_cast<double>(base_ + t) / 100.0;
    }
    // Announces a read of `cell` (< size()) soon.
    void prefetchCell(qint64 cell) const {
        if (!exact_.empty()) {
            prefetch(exact_[chunkOf(cell)].get() + offsetOf(cell));
        } else {
            prefetch(ticks_[chunkOf(cell)].get() + offsetOf(cell));
        }
    }
    std::size_t memoryBytes() const;

    // Steps longer than this are breaks: five times the median step of the cells that no
    // longer change (all but the last), and never 1 s or less.
    double gapThreshold() const;
    // Whether the step from cell - 1 to cell (< size()) is a break at `threshold`.
    bool gapBefore(qint64 cell, double threshold) const {
        return cell > 0 && at(cell) - at(cell - 1) > threshold;
    }
    // Appends, in order, the cells in [first, end) with gapBefore(cell, threshold).
    void gapsIn(qint64 first, qint64 end, double threshold, std::vector<qint64>& out) const;

  private:
    static constexpr int kChunkBits = 12;
    static constexpr qint64 kChunkSize = qint64{1} << kChunkBits;
    static constexpr qint32 kEmptyTick = std::numeric_limits<qint32>::min();
    static constexpr double kEmpty = std::numeric_limits<double>::quiet_NaN();
    static std::size_t chunkOf(qint64 cell) { return static_cast<std::size_t>(cell >> kChunkBits); }
    static std::size_t offsetOf(qint64 cell) {
        return static_cast<std::size_t>(cell & (kChunkSize - 1));
    }
    static constexpr int kLeafBits = 7;  // 128 cells per bottom block of the step pyramid
    static constexpr qint64 kLeaf = qint64{1} << kLeafBits;
    bool toTick(double seconds, qint32& tick);
    void makeExact();
    double step(qint64 cell) const { return cell > 0 ? at(cell) - at(cell - 1) : 0.0; }
    // Cells below n no longer change: their steps join the median and the pyramid.
    void settleBelow(qint64 n);
    void countStep(double seconds);

    std::vector<std::unique_ptr<qint32[]>> ticks_;
    std::vector<std::unique_ptr<double[]>> exact_;  // in place of ticks_ once a time needs it
    qint64 base_ = 0;                               // hundredths of the first time set
    bool hasBase_ = false;
    qint64 size_ = 0;

    qint64 settled_ = 0;
    // A settled cell was given another time: the pyramid no longer holds, ranges are walked.
    bool rewritten_ = false;
    // Level L block k: the longest step of cells [k << (L + kLeafBits), (k + 1) << ...).
    std::vector<std::deque<double>> stepLevels_;
    // Steps in hundredths and how often each occurs; the median is the lowest one at whose
    // end at least half of them are counted, moved by at most one entry per step added.
    std::map<qint64, qint64> steps_;
    qint64 medianStep_ = 0;
    qint64 stepCount_ = 0;
    qint64 belowMedian_ = 0;  // steps counted in entries before median_
};

}  // namespace quorlin
