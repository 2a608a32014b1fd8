#include "common/PointTable.h"

#include "common/AppError.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quorlin {

namespace {
constexpr double kEmpty = std::numeric_limits<double>::quiet_NaN();
constexpr qint64 kMaxColumns = std::numeric_limits<qint32>::max();
}  // namespace

PointTable::PointTable() {
    addEmptyColumn();
}

PointTable::PointTable(const PointTable& other)
    : levels_(other.levels_),
      count_(other.count_),
      filled_(other.filled_),
      revision_(other.revision_),
      settledOrdered_(other.settledOrdered_) {
    chunks_.reserve(other.chunks_.size());
    for (const auto& c : other.chunks_) {
        chunks_.push_back(std::make_unique<Chunk>(*c));
    }
}

PointTable& PointTable::operator=(const PointTable& other) {
    if (this != &other) {
        PointTable copy(other);
        *this = std::move(copy);
    }
    return *this;
}

PointTable::~PointTable() = default;

bool PointTable::isFilled(qint64 column) const {
    return !std::isnan(x(column)) && !std::isnan(y(column));
}

void PointTable::setLast(double x, double y) {
    const qint64 last = count_ - 1;
    const bool was = isFilled(last);
    chunk(last).x[offset(last)] = x;
    chunk(last).y[offset(last)] = y;
    filled_ += static_cast<qint64>(isFilled(last)) - static_cast<qint64>(was);
    ++revision_;
}

void PointTable::addEmptyColumn() {
    if (count_ >= kMaxColumns) {
        throw AppError(ErrorNumber::Overflow, QStringLiteral("Overflow"));
    }
    if (count_ > 0) {
        settle(count_ - 1);
    }
    if ((count_ & (kChunkSize - 1)) == 0) {
        // Left uninitialised: every column is written below before it can be read.
        chunks_.push_back(std::unique_ptr<Chunk>(new Chunk));
    }
    chunk(count_).x[offset(count_)] = kEmpty;
    chunk(count_).y[offset(count_)] = kEmpty;
    ++count_;
    ++revision_;
}

bool PointTable::isOrdered() const {
    if (!settledOrdered_) {
        return false;
    }
    const qint64 last = count_ - 1;
    if (!isFilled(last)) {
        return true;
    }
    if (!std::isfinite(x(last)) || !std::isfinite(y(last))) {
        return false;
    }
    return last == 0 || x(last) >= x(last - 1);
}

// Column c will not change any more: extend the pyramid with it while the history is
// ordered. Once a hole or a step back in x appears the pyramid is useless and dropped.
void PointTable::settle(qint64 c) {
    if (!settledOrdered_) {
        return;
    }
    const bool ok =
        isFilled(c) && std::isfinite(x(c)) && std::isfinite(y(c)) && (c == 0 || x(c) >= x(c - 1));
    if (!ok) {
        settledOrdered_ = false;
        levels_.clear();
        levels_.shrink_to_fit();
        return;
    }
    constexpr qint64 leaf = qint64{1} << kLeafBits;
    if (((c + 1) & (leaf - 1)) != 0) {
        return;
    }
    Block b{static_cast<quint32>(c + 1 - leaf), static_cast<quint32>(c + 1 - leaf)};
    for (qint64 i = c + 2 - leaf; i <= c; ++i) {
        if (y(i) < y(b.lowest)) {
            b.lowest = static_cast<quint32>(i);
        }
        if (y(i) > y(b.highest)) {
            b.highest = static_cast<quint32>(i);
        }
    }
    for (std::size_t level = 0;; ++level) {
        if (levels_.size() == level) {
            levels_.emplace_back();
        }
        std::vector<Block>& blocks = levels_[level];
        blocks.push_back(b);
        if (blocks.size() % 2 != 0) {
            break;
        }
        const Block& left = blocks[blocks.size() - 2];
        b = left;
        if (y(blocks.back().lowest) < y(b.lowest)) {
            b.lowest = blocks.back().lowest;
        }
        if (y(blocks.back().highest) > y(b.highest)) {
            b.highest = blocks.back().highest;
        }
    }
}

PointTable::Extremes PointTable::extremes(qint64 first, qint64 end) const {
    Extremes e{first, first};
    double low = y(first);
    double high = low;
    auto take = [&](qint64 lowest, qint64 highest) {
        const double l = y(lowest);
        if (l < low) {
            low = l;
            e.lowest = lowest;
        }
        const double h = y(highest);
        if (h > high) {
            high = h;
            e.highest = highest;
        }
    };
    auto scan = [&](qint64 from, qint64 to) {
        for (qint64 i = from; i < to; ++i) {
            take(i, i);
        }
    };
    constexpr qint64 leaf = qint64{1} << kLeafBits;
    const qint64 built = levels_.empty() ? 0 : static_cast<qint64>(levels_[0].size());
    qint64 lo = (first + leaf - 1) >> kLeafBits;
    qint64 hi = std::min(end >> kLeafBits, built);
    if (lo >= hi) {
        scan(first + 1, end);
        return e;
    }
    scan(first + 1, lo * leaf);
    scan(hi * leaf, end);
    // Classic bottom-up interval walk: odd edges are taken at this level, the rest is
    // covered by the parent blocks.
    for (std::size_t level = 0; lo < hi; ++level) {
        const std::vector<Block>& blocks = levels_[level];
        if (lo & 1) {
            const Block& b = blocks[static_cast<std::size_t>(lo++)];
            take(b.lowest, b.highest);
        }
        if (hi & 1) {
            const Block& b = blocks[static_cast<std::size_t>(--hi)];
            take(b.lowest, b.highest);
        }
        lo >>= 1;
        hi >>= 1;
    }
    return e;
}

std::size_t PointTable::memoryBytes() const {
    std::size_t bytes = chunks_.capacity() * sizeof(chunks_[0]) + chunks_.size() * sizeof(Chunk);
    bytes += levels_.capacity() * sizeof(levels_[0]);
    for (const auto& level : levels_) {
        bytes += level.capacity() * sizeof(Block);
    }
    return bytes;
}

}  // namespace quorlin
