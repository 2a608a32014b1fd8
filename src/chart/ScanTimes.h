#pragma once

#include "chart/Prefetch.h"

#include <QtGlobal>

#include <cstddef>
#include <limits>
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

  private:
    static constexpr int kChunkBits = 12;
    static constexpr qint64 kChunkSize = qint64{1} << kChunkBits;
    static constexpr qint32 kEmptyTick = std::numeric_limits<qint32>::min();
    static constexpr double kEmpty = std::numeric_limits<double>::quiet_NaN();
    static std::size_t chunkOf(qint64 cell) { return static_cast<std::size_t>(cell >> kChunkBits); }
    static std::size_t offsetOf(qint64 cell) {
        return static_cast<std::size_t>(cell & (kChunkSize - 1));
    }
    bool toTick(double seconds, qint32& tick);
    void makeExact();

    std::vector<std::unique_ptr<qint32[]>> ticks_;
    std::vector<std::unique_ptr<double[]>> exact_;  // in place of ticks_ once a time needs it
    qint64 base_ = 0;                               // hundredths of the first time set
    bool hasBase_ = false;
    qint64 size_ = 0;
};

}  // namespace quorlin
