#pragma once

#include <QtGlobal>

#include <cstddef>
#include <memory>
#include <vector>

namespace quorlin {

// A plot's history: two rows (x = seconds, y = value) and one column per point, appended
// only. The last column may be empty (not yet filled), as after a reset.
//
// Storage is chunked, so growing never copies the history and spare capacity stays below
// one chunk. Alongside it the table keeps an append-only min/max pyramid over the settled
// columns (all but the last), which answers "lowest and highest y of columns [a, b)" in
// O(log n); a chart uses it to draw a long history per pixel column without walking it.
class PointTable {
  public:
    PointTable();
    PointTable(const PointTable& other);
    PointTable& operator=(const PointTable& other);
    PointTable(PointTable&&) noexcept = default;
    PointTable& operator=(PointTable&&) noexcept = default;
    ~PointTable();

    qint64 columnCount() const { return count_; }
    // Columns whose two cells both hold a value.
    qint64 filledCount() const { return filled_; }

    void setLast(double x, double y);
    // Throws AppError (overflow) past the 32-bit column count.
    void addEmptyColumn();
    double x(qint64 column) const { return chunk(column).x[offset(column)]; }
    double y(qint64 column) const { return chunk(column).y[offset(column)]; }
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

    // Changes with every setLast and addEmptyColumn: a reader's cache key.
    quint64 revision() const { return revision_; }
    // Heap bytes held (history, pyramid, bookkeeping), counted from capacities.
    std::size_t memoryBytes() const;

    static constexpr int kChunkBits = 12;
    static constexpr qint64 kChunkSize = qint64{1} << kChunkBits;
    static constexpr int kLeafBits = 4;  // 16 columns per bottom pyramid block

  private:
    struct Chunk {
        double x[kChunkSize];
        double y[kChunkSize];
    };
    struct Block {
        quint32 lowest;
        quint32 highest;
    };

    const Chunk& chunk(qint64 column) const {
        return *chunks_[static_cast<std::size_t>(column >> kChunkBits)];
    }
    Chunk& chunk(qint64 column) { return *chunks_[static_cast<std::size_t>(column >> kChunkBits)]; }
    static std::size_t offset(qint64 column) {
        return static_cast<std::size_t>(column & (kChunkSize - 1));
    }
    void settle(qint64 column);

    std::vector<std::unique_ptr<Chunk>> chunks_;
    std::vector<std::vector<Block>> levels_;  // level L block k covers 16 << L columns
    qint64 count_ = 0;
    qint64 filled_ = 0;
    quint64 revision_ = 0;
    bool settledOrdered_ = true;  // columns before the last keep the isOrdered() promise
};

}  // namespace quorlin
