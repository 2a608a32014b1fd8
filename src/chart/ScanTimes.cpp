#include "chart/ScanTimes.h"

#include <algorithm>
#include <cmath>

namespace quorlin {

ScanTimes::ScanTimes(const ScanTimes& other)
    : base_(other.base_), hasBase_(other.hasBase_), size_(other.size_) {
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

std::size_t ScanTimes::memoryBytes() const {
    return ticks_.capacity() * sizeof(ticks_[0]) + ticks_.size() * kChunkSize * sizeof(qint32) +
           exact_.capacity() * sizeof(exact_[0]) + exact_.size() * kChunkSize * sizeof(double);
}

}  // namespace quorlin
