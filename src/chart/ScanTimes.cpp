#include "chart/ScanTimes.h"

#include <algorithm>
#include <cmath>

namespace quorlin {

ScanTimes::ScanTimes(const ScanTimes& other)
    : base_(other.base_),
      hasBase_(other.hasBase_),
      size_(other.size_),
      settled_(other.settled_),
      rewritten_(other.rewritten_),
      stepLevels_(other.stepLevels_),
      steps_(other.steps_),
      medianStep_(other.medianStep_),
      stepCount_(other.stepCount_),
      belowMedian_(other.belowMedian_) {
    for (const auto& c : other.ticks_) {
        ticks_.push_back(std::make_unique<qint32[]>(kChunkSize));
        std::copy_n(c.get(), kChunkSize, ticks_.back().get());
    }
    for (const auto& c : other.exact_) {
        exact_.push_back(std::make_unique<double[]>(kChunkSize));
        std::copy_n(c.get(), kChunkSize, exact_.back().get());
    }
}

ScanTimes& ScanTimes::operator=(const ScanTimes& other) {
    if (this != &other) {
        ScanTimes copy(other);
        *this = std::move(copy);
    }
    return *this;
}

ScanTimes::~ScanTimes() = default;

void ScanTimes::extendTo(qint64 n) {
    if (n > size_) {
        settleBelow(n - 1);
    }
    for (; size_ < n; ++size_) {
        if ((size_ & (kChunkSize - 1)) == 0) {
            // Cells past size_ stay zero until extended.
            if (exact_.empty()) {
                ticks_.push_back(std::make_unique<qint32[]>(kChunkSize));
            } else {
                exact_.push_back(std::make_unique<double[]>(kChunkSize));
            }
        }
        if (exact_.empty()) {
            ticks_[chunkOf(size_)][offsetOf(size_)] = kEmptyTick;
        } else {
            exact_[chunkOf(size_)][offsetOf(size_)] = kEmpty;
        }
    }
}

// Whether the time reads back exactly from a tick, and which.
bool ScanTimes::toTick(double seconds, qint32& tick) {
    if (std::isnan(seconds)) {
        tick = kEmptyTick;
        return true;
    }
    if (!(std::abs(seconds) < 1e13) || (seconds == 0 && std::signbit(seconds))) {
        return false;
    }
    const qint64 hundredths = std::llround(seconds * 100);
    if (static_cast<double>(hundredths) / 100.0 != seconds) {
        return false;
    }
    if (!hasBase_) {
        base_ = hundredths;
        hasBase_ = true;
    }
    const qint64 t = hundredths - base_;
    if (t <= kEmptyTick || t > std::numeric_limits<qint32>::max()) {
        return false;
    }
    tick = static_cast<qint32>(t);
    return true;
}

void ScanTimes::set(qint64 cell, double seconds) {
    if (cell < settled_ && !rewritten_) {
        // Tables sharing the row give a settled cell its time again; only another one counts.
        const double was = at(cell);
        rewritten_ = !(was == seconds || (std::isnan(was) && std::isnan(seconds)));
    }
    qint32 tick = 0;
    if (exact_.empty() && toTick(seconds, tick)) {
        ticks_[chunkOf(cell)][offsetOf(cell)] = tick;
        return;
    }
    if (exact_.empty()) {
        makeExact();
    }
    exact_[chunkOf(cell)][offsetOf(cell)] = seconds;
}

void ScanTimes::makeExact() {
    std::vector<std::unique_ptr<double[]>> exact;
    for (std::size_t c = 0; c < ticks_.size(); ++c) {
        exact.push_back(std::make_unique<double[]>(kChunkSize));
        for (qint64 i = 0; i < kChunkSize; ++i) {
            const qint64 cell = static_cast<qint64>(c) * kChunkSize + i;
            exact.back()[static_cast<std::size_t>(i)] = cell < size_ ? at(cell) : kEmpty;
        }
    }
    exact_ = std::move(exact);
    ticks_.clear();
    ticks_.shrink_to_fit();
}

void ScanTimes::settleBelow(qint64 n) {
    for (; settled_ < std::min(n, size_); ++settled_) {
        const qint64 c = settled_;
        countStep(step(c));
        if (((c + 1) & (kLeaf - 1)) != 0) {
            continue;
        }
        // NaN steps (empty cells) never beat anything, as they never are a break.
        double longest = step(c + 1 - kLeaf);
        for (qint64 i = c + 2 - kLeaf; i <= c; ++i) {
            const double s = step(i);
            longest = s > longest ? s : longest;
        }
        for (std::size_t level = 0;; ++level) {
            if (stepLevels_.size() == level) {
                stepLevels_.emplace_back();
            }
            std::deque<double>& blocks = stepLevels_[level];
            blocks.push_back(longest);
            if (blocks.size() % 2 != 0) {
                break;
            }
            const double left = blocks[blocks.size() - 2];
            longest = left > longest ? left : longest;
        }
    }
}

void ScanTimes::countStep(double seconds) {
    if (!(seconds >= 0) || !(seconds < 1e15)) {
        return;  // empty cells and steps back say nothing of the usual step
    }
    const qint64 hundredths = std::llround(seconds * 100);
    ++steps_[hundredths];
    ++stepCount_;
    if (stepCount_ == 1) {
        medianStep_ = hundredths;
        return;
    }
    if (hundredths < medianStep_) {
        ++belowMedian_;
    }
    // The lower median: the step of rank (count - 1) / 2.
    const qint64 rank = (stepCount_ - 1) / 2;
    auto at = steps_.find(medianStep_);
    if (rank < belowMedian_) {
        --at;
        belowMedian_ -= at->second;
    } else if (rank >= belowMedian_ + at->second) {
        belowMedian_ += at->second;
        ++at;
    }
    medianStep_ = at->first;
}

double ScanTimes::gapThreshold() const {
    const double median = stepCount_ > 0 ? static_cast<double>(medianStep_) / 100.0 : 0.0;
    return std::max(1.0, 5 * median);
}

void ScanTimes::gapsIn(qint64 first, qint64 end, double threshold, std::vector<qint64>& out) const {
    first = std::max<qint64>(first, 1);
    end = std::min(end, size_);
    auto walk = [&](qint64 from, qint64 to) {
        for (qint64 c = from; c < to; ++c) {
            if (gapBefore(c, threshold)) {
                out.push_back(c);
            }
        }
    };
    const qint64 built =
        rewritten_ || stepLevels_.empty() ? 0 : static_cast<qint64>(stepLevels_[0].size());
    qint64 lo = (first + kLeaf - 1) >> kLeafBits;
    qint64 hi = std::min(end >> kLeafBits, built);
    if (lo >= hi) {
        walk(first, end);
        return;
    }
    walk(first, lo * kLeaf);
    // Blocks whose longest step is no break hold none; the others are opened down to cells.
    auto open = [&](auto& self, std::size_t level, qint64 k) -> void {
        if (!(stepLevels_[level][static_cast<std::size_t>(k)] > threshold)) {
            return;
        }
        if (level == 0) {
            walk(k * kLeaf, (k + 1) * kLeaf);
            return;
        }
        self(self, level - 1, 2 * k);
        self(self, level - 1, 2 * k + 1);
    };
    // The range's blocks bottom-up: left edges in order, right edges kept to come after.
    std::vector<std::pair<std::size_t, qint64>> right;
    for (std::size_t level = 0; lo < hi; ++level) {
        if (lo & 1) {
            open(open, level, lo++);
        }
        if (hi & 1) {
            right.emplace_back(level, --hi);
        }
        lo >>= 1;
        hi >>= 1;
    }
    for (auto it = right.rbegin(); it != right.rend(); ++it) {
        open(open, it->first, it->second);
    }
    walk(std::max(first, std::min(end >> kLeafBits, built) * kLeaf), end);
}

std::size_t ScanTimes::memoryBytes() const {
    std::size_t bytes =
        ticks_.capacity() * sizeof(ticks_[0]) + ticks_.size() * kChunkSize * sizeof(qint32) +
        exact_.capacity() * sizeof(exact_[0]) + exact_.size() * kChunkSize * sizeof(double);
    for (const auto& level : stepLevels_) {
        bytes += ((level.size() * sizeof(double) + 511) / 512 + 1) * (512 + sizeof(void*));
    }
    // A map node: the entry and three links and a colour, rounded as the allocator does.
    return bytes + steps_.size() * 48;
}

}  // namespace quorlin
