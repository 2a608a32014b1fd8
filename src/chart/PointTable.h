#pragma once

#include "chart/Prefetch.h"
#include "chart/ScanTimes.h"

#include <QtGlobal>

#include <cstddef>
#include <deque>
#include <memory>
#include <vector>

namespace quorlin {

// A plot's history: two rows (x = seconds, y = value) and one column per point, appended
// only. The last column may be empty (not yet filled), as after a reset.
//
// The x row is a ScanTimes, of the table's own or shared with the other tables of a run
// (the eight channels of one scan have one time); tables sharing it are given the same x
// for the same column. Values are kept as float: the board resolves 0.61 mV over 10 V, far
// inside a float's 24-bit mantissa, and a scaled value keeps the same relative precision.
// A value a float cannot hold (beyond its range, or below its normal range) turns the
// table's values into doubles once, so that no value is ever changed beyond rounding.
//
// Storage is chunked, so growing never copies the history and spare capacity stays below
// one chunk. Alongside it the table keeps an append-only min/max pyramid of the values over
// the settled columns (all but the last), which answers "lowest and highest y of columns
// [a, b)" in O(log n); a chart uses it to draw a long history per pixel column without
// walking it.
class PointTable {
  public:
    PointTable();
    // Shares the x row; `times` is the row of the other tables of the run.
    explicit PointTable(std::shared_ptr<ScanTimes> times);
    // A copy has an x row of its own.
    PointTable(const PointTable& other);
    PointTable& operator=(const PointTable& other);
    PointTable(PointTable&&) noexcept = default;
    PointTable& operator=(PointTable&&) noexcept = default;
    ~PointTable();

    qint64 columnCount() const { return count_; }
    // Columns whose two cells both hold a value.
    qint64 filledCount() const { return settledFilled_ + (isFilled(count_ - 1) ? 1 : 0); }

    // Keeps every value as given (double) from now on, as a reader that shows values as text
    // needs; a plot history keeps floats.
    void holdDoubles();

    void setLast(double x, double y);
    // Throws AppError (overflow) past the 32-bit column count.
    void addEmptyColumn();
    double x(qint64 column) const { return times_->at(column); }
    double y(qint64 column) const {
        return wide_ ? wide_->at(column) : static_cast<double>(narrow_.at(column));
    }
    bool isFilled(qint64 column) const;

    // True while columns [0, filledCount()) are exactly the filled ones, their values are
    // finite and x never decreases along them. Only then do extremes() and a per-pixel
    // drawing apply; otherwise a reader walks every column.
    bool isOrdered() const;

    struct Extremes {
        qint64 lowest;   // column of the lowest y
        qint64 highest;  // column of the highest y
    };
    // Lowest and highest y over columns [first, end); needs isOrdered() and
    // 0 <= first < end <= filledCount().
    Extremes extremes(qint64 first, qint64 end) const;
    // extremes() of each range, in one go: over the many ranges of a long history this is
    // far faster, as the look-ups of all ranges are then made side by side.
    struct Range {
        qint64 first;
        qint64 end;
    };
    void extremes(const std::vector<Range>& ranges, std::vector<Extremes>& out) const;

    // Announces a read of a column's time and value soon, so that a walk through a long
    // history can have its next jumps on the way from memory while it works.
    void prefetchColumn(qint64 column) const {
        times_->prefetchCell(column);
        if (wide_) {
            wide_->prefetchCell(column);
        } else {
            narrow_.prefetchCell(column);
        }
    }

    // Changes with every setLast and addEmptyColumn: a reader's cache key.
    quint64 revision() const { return revision_; }
    // Heap bytes held (history, pyramid, bookkeeping), counted from capacities; a shared x
    // row is counted in equal shares among the tables holding it.
    std::size_t memoryBytes() const;

    static constexpr int kChunkBits = 12;
    static constexpr qint64 kChunkSize = qint64{1} << kChunkBits;
    static constexpr int kLeafBits = 7;  // 128 columns per bottom pyramid block
    static constexpr qint64 kLeaf = qint64{1} << kLeafBits;

  private:
    // The y row in one value type, with its pyramid.
    template <class V>
    class Values {
      public:
        V at(qint64 column) const {
            return chunks_[static_cast<std::size_t>(column >> kChunkBits)]
                          [static_cast<std::size_t>(column & (kChunkSize - 1))];
        }
        void set(qint64 column, V value);
        void prefetchCell(qint64 column) const { prefetch(from(column)); }
        // The bottom block of the pyramid's cells that holds `column`.
        void prefetchLeaf(qint64 column) const {
            const V* first = from(column & ~(kLeaf - 1));
            for (std::size_t b = 0; b < kLeaf * sizeof(V); b += 64) {
                prefetch(reinterpret_cast<const char*>(first) + b);
            }
            prefetch(first + kLeaf - 1);
        }
        // The cells of one chunk from `column` on, up to the chunk's end.
        const V* from(qint64 column) const {
            return chunks_[static_cast<std::size_t>(column >> kChunkBits)].data() +
                   (column & (kChunkSize - 1));
        }
        void extendTo(qint64 n);
        // Adds the block ending at column c to the pyramid when c closes one.
        void settle(qint64 c);
        void dropPyramid();
        void extremes(const std::vector<Range>& ranges, std::vector<Extremes>& out) const;
        std::size_t memoryBytes() const;

      private:
        struct Block {
            V lowest;
            V highest;
        };
        // Where in its bottom block the first lowest and first highest value lie, so that a
        // look-up ends without walking the block's cells.
        struct LeafPick {
            quint8 lowest;
            quint8 highest;
        };
        static_assert(kLeafBits <= 8);
        // Where the best block found so far lies.
        struct Where {
            std::size_t level = 0;
            std::size_t block = 0;
            bool found = false;
        };
        // A range's extremes short of the descent from a block found to its column.
        struct Walk {
            Extremes e{0, 0};
            V low{};
            V high{};
            Where lowBlock;
            Where highBlock;
        };
        Walk walk(qint64 first, qint64 end) const;

        std::vector<std::vector<V>> chunks_;
        // Level L block k covers 128 << L columns. Deques grow without moving what they hold, so
        // a long run leaves no freed copies behind.
        std::vector<std::deque<Block>> levels_;
        std::deque<LeafPick> leafPicks_;  // one per block of level 0
        qint64 size_ = 0;
    };

    void settle(qint64 column);
    void widen();

    std::shared_ptr<ScanTimes> times_;
    Values<float> narrow_;
    std::unique_ptr<Values<double>> wide_;  // in place of narrow_ once a value needs it
    qint64 count_ = 0;
    qint64 settledFilled_ = 0;
    quint64 revision_ = 0;
    bool settledOrdered_ = true;  // columns before the last keep the isOrdered() promise
};

}  // namespace quorlin
