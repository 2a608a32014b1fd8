#include "chart/PointTable.h"

#include "common/AppError.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quorlin {

namespace {
constexpr qint64 kMaxColumns = std::numeric_limits<qint32>::max();

// A float holds the value to its rounding: no overflow to infinity, no underflow into the
// denormals (where precision is lost) or to zero.
bool fitsFloat(double v) {
    if (!std::isfinite(v) || v == 0) {
        return true;  // NaN, infinities and zeros come back as they were
    }
    const double a = std::abs(v);
    return a >= std::numeric_limits<float>::min() && a <= std::numeric_limits<float>::max();
}

}  // namespace

template <class V>
void PointTable::Values<V>::extendTo(qint64 n) {
    for (; size_ < n; ++size_) {
        if ((size_ & (kChunkSize - 1)) == 0) {
            chunks_.emplace_back(static_cast<std::size_t>(kChunkSize));
        }
    }
}

template <class V>
void PointTable::Values<V>::set(qint64 column, V value) {
    chunks_[static_cast<std::size_t>(column >> kChunkBits)]
           [static_cast<std::size_t>(column & (kChunkSize - 1))] = value;
}

template <class V>
void PointTable::Values<V>::dropPyramid() {
    levels_.clear();
    levels_.shrink_to_fit();
    leafPicks_ = {};
}

template <class V>
void PointTable::Values<V>::settle(qint64 c) {
    if (((c + 1) & (kLeaf - 1)) != 0) {
        return;
    }
    const V* cells = from(c + 1 - kLeaf);  // a leaf never straddles two chunks
    Block b{cells[0], cells[0]};
    LeafPick pick{0, 0};
    for (int i = 1; i < kLeaf; ++i) {
        if (cells[i] < b.lowest) {
            b.lowest = cells[i];
            pick.lowest = static_cast<quint8>(i);
        }
        if (cells[i] > b.highest) {
            b.highest = cells[i];
            pick.highest = static_cast<quint8>(i);
        }
    }
    leafPicks_.push_back(pick);
    for (std::size_t level = 0;; ++level) {
        if (levels_.size() == level) {
            levels_.emplace_back();
        }
        std::deque<Block>& blocks = levels_[level];
        blocks.push_back(b);
        if (blocks.size() % 2 != 0) {
            break;
        }
        const Block& left = blocks[blocks.size() - 2];
        b = Block{std::min(left.lowest, b.lowest), std::max(left.highest, b.highest)};
    }
}

template <class V>
typename PointTable::Values<V>::Walk PointTable::Values<V>::walk(qint64 first, qint64 end) const {
    Walk w;
    w.e = Extremes{first, first};
    w.low = at(first);
    w.high = w.low;
    // Cells [begin, to), chunk by chunk: first their lowest and highest values (a loop
    // without branches), then, only where one beats the best so far, its first column.
    auto scan = [&](qint64 begin, qint64 to) {
        while (begin < to) {
            const qint64 stop = std::min(to, ((begin >> kChunkBits) + 1) << kChunkBits);
            const V* cells = from(begin);
            const qint64 n = stop - begin;
            V l = cells[0];
            V h = cells[0];
            for (qint64 i = 1; i < n; ++i) {
                l = cells[i] < l ? cells[i] : l;
                h = cells[i] > h ? cells[i] : h;
            }
            if (l < w.low) {
                w.low = l;
                w.e.lowest = begin + (std::find(cells, cells + n, l) - cells);
                w.lowBlock.found = false;
            }
            if (h > w.high) {
                w.high = h;
                w.e.highest = begin + (std::find(cells, cells + n, h) - cells);
                w.highBlock.found = false;
            }
            begin = stop;
        }
    };
    const qint64 built = levels_.empty() ? 0 : static_cast<qint64>(levels_[0].size());
    qint64 lo = (first + kLeaf - 1) >> kLeafBits;
    qint64 hi = std::min(end >> kLeafBits, built);
    if (lo >= hi) {
        scan(first + 1, end);
        return w;
    }
    scan(first + 1, lo * kLeaf);
    scan(hi * kLeaf, end);
    auto take = [&](std::size_t level, qint64 k) {
        const Block& b = levels_[level][static_cast<std::size_t>(k)];
        if (b.lowest < w.low) {
            w.low = b.lowest;
            w.lowBlock = Where{level, static_cast<std::size_t>(k), true};
        }
        if (b.highest > w.high) {
            w.high = b.highest;
            w.highBlock = Where{level, static_cast<std::size_t>(k), true};
        }
    };
    // Classic bottom-up interval walk: odd edges are taken at this level, the rest is
    // covered by the parent blocks.
    for (std::size_t level = 0; lo < hi; ++level) {
        if (lo & 1) {
            take(level, lo++);
        }
        if (hi & 1) {
            take(level, --hi);
        }
        lo >>= 1;
        hi >>= 1;
    }
    return w;
}

template <class V>
void PointTable::Values<V>::extremes(const std::vector<Range>& ranges,
                                     std::vector<Extremes>& out) const {
    out.resize(ranges.size());
    // The cells at a range's ends are asked for a few ranges ahead.
    constexpr std::size_t kAhead = 4;
    std::vector<Walk> walks(ranges.size());
    for (std::size_t k = 0; k < ranges.size(); ++k) {
        if (k + kAhead < ranges.size()) {
            prefetchLeaf(ranges[k + kAhead].first);
            prefetchLeaf(ranges[k + kAhead].end - 1);
        }
        walks[k] = walk(ranges[k].first, ranges[k].end);
        out[k] = walks[k].e;
    }
    // The descents from the blocks found to the first column holding their value, a group of ranges
    // at a time, level by level: each level's blocks of the whole group are asked for before any is
    // read, so their memory latencies overlap.
    struct Descent {
        std::size_t level;
        std::size_t block;
        V value;
        bool lowest;
        qint64* column;
    };
    constexpr std::size_t kGroup = 32;
    std::vector<Descent> group;
    for (std::size_t g = 0; g < ranges.size(); g += kGroup) {
        group.clear();
        for (std::size_t k = g; k < std::min(ranges.size(), g + kGroup); ++k) {
            const Walk& w = walks[k];
            if (w.lowBlock.found) {
                group.push_back(
                    Descent{w.lowBlock.level, w.lowBlock.block, w.low, true, &out[k].lowest});
            }
            if (w.highBlock.found) {
                group.push_back(
                    Descent{w.highBlock.level, w.highBlock.block, w.high, false, &out[k].highest});
            }
        }
        for (bool down = true; down;) {
            down = false;
            for (const Descent& d : group) {
                if (d.level > 0) {
                    prefetch(&levels_[d.level - 1][2 * d.block]);
                }
            }
            for (Descent& d : group) {
                if (d.level > 0) {
                    const Block& left = levels_[d.level - 1][2 * d.block];
                    d.block =
                        2 * d.block + ((d.lowest ? left.lowest : left.highest) == d.value ? 0 : 1);
                    --d.level;
                    down = true;
                }
            }
        }
        for (const Descent& d : group) {
            prefetch(&leafPicks_[d.block]);
        }
        for (const Descent& d : group) {
            const LeafPick pick = leafPicks_[d.block];
            *d.column =
                static_cast<qint64>(d.block) * kLeaf + (d.lowest ? pick.lowest : pick.highest);
        }
    }
}

template <class V>
std::size_t PointTable::Values<V>::memoryBytes() const {
    std::size_t bytes = chunks_.capacity() * sizeof(chunks_[0]);
    for (const auto& c : chunks_) {
        bytes += c.capacity() * sizeof(V);
    }
    bytes += levels_.capacity() * sizeof(levels_[0]);
    for (const auto& level : levels_) {
        // libstdc++ deque nodes hold 512 bytes; its map one pointer per node.
        const std::size_t nodes = (level.size() * sizeof(Block) + 511) / 512 + 1;
        bytes += nodes * (512 + sizeof(void*));
    }
    bytes += ((leafPicks_.size() * sizeof(LeafPick) + 511) / 512 + 1) * (512 + sizeof(void*));
    return bytes;
}

template class PointTable::Values<float>;
template class PointTable::Values<double>;

PointTable::PointTable() : PointTable(std::make_shared<ScanTimes>()) {}

PointTable::PointTable(std::shared_ptr<ScanTimes> times) : times_(std::move(times)) {
    addEmptyColumn();
}

PointTable::PointTable(const PointTable& other)
    : times_(std::make_shared<ScanTimes>(*other.times_)),
      narrow_(other.narrow_),
      wide_(other.wide_ ? std::make_unique<Values<double>>(*other.wide_) : nullptr),
      count_(other.count_),
      settledFilled_(other.settledFilled_),
      revision_(other.revision_),
      settledOrdered_(other.settledOrdered_) {}

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

void PointTable::holdDoubles() {
    if (!wide_) {
        widen();
    }
}

void PointTable::setLast(double x, double y) {
    const qint64 last = count_ - 1;
    times_->set(last, x);
    if (!wide_ && !fitsFloat(y)) {
        widen();
    }
    if (wide_) {
        wide_->set(last, y);
    } else {
        narrow_.set(last, static_cast<float>(y));
    }
    ++revision_;
}

void PointTable::addEmptyColumn() {
    if (count_ >= kMaxColumns) {
        throw AppError(ErrorNumber::Overflow, QStringLiteral("Overflow"));
    }
    if (count_ > 0) {
        settle(count_ - 1);
    }
    ++count_;
    times_->extendTo(std::max(count_, times_->size()));
    if (wide_) {
        wide_->extendTo(count_);
        wide_->set(count_ - 1, std::numeric_limits<double>::quiet_NaN());
    } else {
        narrow_.extendTo(count_);
        narrow_.set(count_ - 1, std::numeric_limits<float>::quiet_NaN());
    }
    ++revision_;
}

// The values as doubles from now on; the pyramid is built again over the same columns.
void PointTable::widen() {
    auto wide = std::make_unique<Values<double>>();
    wide->extendTo(count_);
    for (qint64 c = 0; c < count_; ++c) {
        wide->set(c, static_cast<double>(narrow_.at(c)));
        if (settledOrdered_ && c < count_ - 1) {
            wide->settle(c);
        }
    }
    wide_ = std::move(wide);
    narrow_ = Values<float>();
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
    const bool filled = isFilled(c);
    settledFilled_ += filled ? 1 : 0;
    if (!settledOrdered_) {
        return;
    }
    const bool ok =
        filled && std::isfinite(x(c)) && std::isfinite(y(c)) && (c == 0 || x(c) >= x(c - 1));
    if (!ok) {
        settledOrdered_ = false;
        narrow_.dropPyramid();
        if (wide_) {
            wide_->dropPyramid();
        }
        return;
    }
    if (wide_) {
        wide_->settle(c);
    } else {
        narrow_.settle(c);
    }
}

PointTable::Extremes PointTable::extremes(qint64 first, qint64 end) const {
    std::vector<Extremes> out;
    extremes({Range{first, end}}, out);
    return out.front();
}

void PointTable::extremes(const std::vector<Range>& ranges, std::vector<Extremes>& out) const {
    if (wide_) {
        wide_->extremes(ranges, out);
    } else {
        narrow_.extremes(ranges, out);
    }
}

std::size_t PointTable::memoryBytes() const {
    const auto sharers = static_cast<std::size_t>(std::max(1L, times_.use_count()));
    return (wide_ ? wide_->memoryBytes() : narrow_.memoryBytes()) + times_->memoryBytes() / sharers;
}

}  // namespace quorlin
