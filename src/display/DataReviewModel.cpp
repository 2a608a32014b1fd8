#include "display/DataReviewModel.h"

#include "common/NumberText.h"
#include "common/Rounding.h"
#include "platform/Clock.h"
#include "platform/Timer.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace quorlin {

ChannelStats statsInRange(const PointTable& table, double lower, double upper) {
    ChannelStats s;
    const qint64 n = table.filledCount();
    const bool ordered = table.isOrdered();
    // Columns [first, end) lie in the window: found by halving when x never decreases.
    auto firstAbove = [&](double x, bool orEqual) {
        qint64 lo = 0;
        qint64 hi = n;
        while (lo < hi) {
            const qint64 mid = lo + (hi - lo) / 2;
            if (orEqual ? table.x(mid) < x : table.x(mid) <= x) {
                lo = mid + 1;
            } else {
                hi = mid;
            }
        }
        return lo;
    };
    const qint64 first = ordered ? firstAbove(lower, true) : 0;
    const qint64 end = ordered ? firstAbove(upper, false) : table.columnCount();
    // A sum of values near the double's range overflows where their mean does not: the same
    // sum is kept scaled down by 2^64 too, exact but for values far below any that overflow.
    constexpr double kScale = 0x1p-64;
    double sum = 0;
    double scaledSum = 0;
    for (qint64 c = first; c < end; ++c) {
        if (!ordered && (!table.isFilled(c) || table.x(c) < lower || table.x(c) > upper)) {
            continue;
        }
        const double y = table.y(c);
        if (s.count == 0 || y < s.minimum) {
            s.minimum = y;
        }
        if (s.count == 0 || y > s.maximum) {
            s.maximum = y;
        }
        sum += y;
        scaledSum += y * kScale;
        ++s.count;
    }
    if (s.count > 0) {
        const double count = static_cast<double>(s.count);
        s.mean = std::isfinite(sum) || !std::isfinite(scaledSum)
                     ? sum / count
                     : std::clamp(scaledSum / count / kScale, s.minimum, s.maximum);
    }
    return s;
}

DataReviewModel::DataReviewModel(const QString& path, Clock& clock, TimerFactory& timers,
                                 QObject* parent)
    : QObject(parent), path_(path), clock_(clock), reader_(path), timer_(timers.create()) {
    connect(timer_.get(), &OneShotTimer::timeout, this, [this] { readSlice(); });
}

DataReviewModel::~DataReviewModel() = default;

bool DataReviewModel::open() {
    return reader_.open();
}

void DataReviewModel::startLoading() {
    startMs_ = clock_.tickMs();
    timer_->start(0);
}

void DataReviewModel::cancel() {
    if (state_ == State::Loading) {
        state_ = State::Cancelled;
        timer_->stop();
    }
}

void DataReviewModel::readSlice() {
    if (state_ != State::Loading) {
        return;
    }
    if (reader_.readSome(kSliceBytes)) {
        progressVisible_ = clock_.tickMs() - startMs_ >= kProgressAfterMs;
        if (progressVisible_) {
            emit progressChanged();
        }
        timer_->start(0);
        return;
    }
    state_ = State::Loaded;
    progressVisible_ = false;
    emit progressChanged();
    const RecordedData& d = data();
    lower_ = d.firstSeconds;
    upper_ = d.lastSeconds;
    updateStats();
    emit loaded();
}

int DataReviewModel::progressPercent() const {
    if (state_ != State::Loading || reader_.bytesTotal() <= 0) {
        return 100;
    }
    return static_cast<int>(reader_.bytesDone() * 100 / reader_.bytesTotal());
}

QString DataReviewModel::windowTitle() const {
    return QStringLiteral("Data File - ") + QFileInfo(path_).fileName();
}

QString DataReviewModel::titleText() const {
    const RecordedData& d = data();
    return QStringLiteral("Kestova Quorlin data file, version %1, created %2 %3\n%4")
        .arg(d.versionText, d.createdDate, d.createdTime, QDir::toNativeSeparators(path_));
}

QString DataReviewModel::spanText() const {
    const RecordedData& d = data();
    if (state_ != State::Loaded) {
        return {};
    }
    if (d.rows == 0) {
        return QStringLiteral("No rows recorded.");
    }
    const QString seconds = displayNumberText(roundHalfEven(d.lastSeconds - d.firstSeconds, 2));
    QString text = QStringLiteral("From %1 to %2: %3 s in %4 row%5")
                       .arg(d.firstSystemTime, d.lastSystemTime, seconds)
                       .arg(d.rows)
                       .arg(d.rows == 1 ? QString() : QStringLiteral("s"));
    if (d.runs > 1) {
        text += QStringLiteral(", %1 sampling runs").arg(d.runs);
    }
    if (d.rowsWithValues == 0) {
        text += QStringLiteral(
            "; the rows hold times only (recorded with neither Volts nor "
            "Scale)");
    }
    return text + u'.';
}

QString DataReviewModel::noticeText() const {
    const RecordedData& d = data();
    QStringList lines;
    if (d.skippedRows > 0) {
        lines << QStringLiteral(
                     "%1 row%2 could not be read and %3 skipped; the first is line "
                     "%4, which %5.")
                     .arg(d.skippedRows)
                     .arg(d.skippedRows == 1 ? QString() : QStringLiteral("s"))
                     .arg(d.skippedRows == 1 ? QStringLiteral("was") : QStringLiteral("were"))
                     .arg(d.firstSkippedLine)
                     .arg(d.firstSkippedReason);
    }
    // Only a file that grows is being recorded; a last line without its end may be all
    // that a crash or a full disk left.
    if (d.incompleteLine > 0) {
        lines << QStringLiteral("Line %1 is incomplete and left out.").arg(d.incompleteLine);
    }
    if (d.grew) {
        lines << QStringLiteral(
            "The file grew while it was read: it is still being recorded. Open it again for "
            "the newer rows.");
    }
    if (state_ == State::Loaded && !errorText().isEmpty()) {
        lines << errorText();
    }
    return lines.join(u'\n');
}

void DataReviewModel::setShowAllChannels(bool all) {
    if (showAll_ != all) {
        showAll_ = all;
        emit channelsChanged();
    }
}

bool DataReviewModel::channelShown(int channel) const {
    return showAll_ || data().hasData[channel];
}

std::optional<std::pair<double, double>> DataReviewModel::shownValueRange() const {
    std::optional<std::pair<double, double>> range;
    for (int c = 0; c < kChannelCount; ++c) {
        const PointTable& t = *data().channels[c];
        if (!channelShown(c) || t.filledCount() == 0) {
            continue;
        }
        const ChannelStats all = statsInRange(t, t.x(0), t.x(t.filledCount() - 1));
        range = range ? std::pair(std::min(range->first, all.minimum),
                                  std::max(range->second, all.maximum))
                      : std::pair(all.minimum, all.maximum);
    }
    if (range) {
        const double room =
            range->second > range->first ? (range->second - range->first) * 0.05 : 1;
        range = std::pair(range->first - room, range->second + room);
    }
    return range;
}

void DataReviewModel::setVisibleRange(double lower, double upper) {
    if (lower == lower_ && upper == upper_) {
        return;
    }
    lower_ = lower;
    upper_ = upper;
    if (state_ == State::Loaded) {
        updateStats();
    }
}

void DataReviewModel::updateStats() {
    for (int c = 0; c < kChannelCount; ++c) {
        stats_[c] = statsInRange(*data().channels[c], lower_, upper_);
    }
    emit statsChanged();
}

QString DataReviewModel::minText(int channel) const {
    const ChannelStats& s = stats_[channel];
    return s.count > 0 ? displayNumberText(s.minimum) : QString();
}

QString DataReviewModel::maxText(int channel) const {
    const ChannelStats& s = stats_[channel];
    return s.count > 0 ? displayNumberText(s.maximum) : QString();
}

QString DataReviewModel::meanText(int channel) const {
    const ChannelStats& s = stats_[channel];
    return s.count > 0 ? displayNumberText(roundHalfEven(s.mean, 4)) : QString();
}

}  // namespace quorlin
