#pragma once

// Reading back what the program recorded, and the board's log cut into scans, for tests that
// compare the files with what the board sent.

#include "BoardSim.h"
#include "common/Channel.h"

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <limits>
#include <utility>
#include <vector>

namespace quorlin::test {

struct RecordedLines {
    QStringList lines;    // without their line ends
    int badLineEnds = 0;  // lines not ended by CR LF (a last line without any end included)
    bool readable = false;
};

inline RecordedLines readRecordedLines(const QString& path) {
    RecordedLines out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return out;
    }
    out.readable = true;
    const QByteArray bytes = f.readAll();
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype lf = bytes.indexOf('\n', start);
        if (lf < 0) {
            out.lines << QString::fromUtf8(bytes.mid(start));
            ++out.badLineEnds;
            break;
        }
        const bool crlf = lf > start && bytes[lf - 1] == '\r';
        if (!crlf) {
            ++out.badLineEnds;
        }
        out.lines << QString::fromUtf8(bytes.mid(start, lf - start - (crlf ? 1 : 0)));
        start = lf + 1;
    }
    return out;
}

// One pass over the eight channels as the board answered it.
struct BoardScan {
    std::array<uint16_t, kChannelCount> raw{};
    std::array<std::chrono::steady_clock::time_point, kChannelCount> requestAt{};
};

// The board's answered reading requests, cut into scans from the first request on. Requests
// must come in channel order 0..7 with good replies; an unfinished last scan is left out.
inline std::vector<BoardScan> boardScans(const std::vector<sim::Exchange>& log) {
    std::vector<BoardScan> scans;
    BoardScan current;
    int next = 0;
    for (const sim::Exchange& e : log) {
        if (e.channel < 0) {
            continue;  // the samples-averaged pair
        }
        EXPECT_EQ(e.channel, next) << "requests out of channel order";
        EXPECT_TRUE(e.good);
        current.raw[e.channel] = e.raw;
        current.requestAt[e.channel] = e.at;
        next = (e.channel + 1) % kChannelCount;
        if (next == 0) {
            scans.push_back(current);
        }
    }
    return scans;
}

// Where the program's own clock stands at the points of a run it stamps, bounded by the
// moments its requests were written (as the harness timed them) and the moment the run was
// started. Requests go out in channel order, one per reply, without faults. The elapsed time
// of scan s is stamped after its channel 1 request was written and before its channel 2
// request is; the scan closes after the next scan's channel 0 request and before its
// channel 1 request.
class RunClock {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;
    // `writes` from index `first` on are the run's requests; `started` was taken before the
    // run was started.
    RunClock(std::vector<std::pair<QByteArray, TimePoint>> writes, size_t first, TimePoint started)
        : writes_(std::move(writes)), first_(first), started_(started) {}

    // The elapsed seconds scan s can show, its rounding to hundredths included.
    double lowestStamp(size_t s) const {
        return seconds(firstWrite(), request(s, 1)) - kHalfHundredth;
    }
    double highestStamp(size_t s) const {
        return has(s, 2) ? seconds(started_, request(s, 2)) + kHalfHundredth
                         : std::numeric_limits<double>::infinity();
    }
    bool closeKnown(size_t s) const { return has(s + 1, 1); }
    TimePoint closedAfter(size_t s) const { return request(s + 1, 0); }
    TimePoint closedBefore(size_t s) const { return request(s + 1, 1); }

  private:
    static constexpr double kHalfHundredth = 0.005 + 1e-9;
    bool has(size_t s, int c) const { return first_ + s * kChannelCount + c < writes_.size(); }
    TimePoint request(size_t s, int c) const {
        return writes_.at(first_ + s * kChannelCount + static_cast<size_t>(c)).second;
    }
    TimePoint firstWrite() const { return writes_.at(first_).second; }
    static double seconds(TimePoint from, TimePoint to) {
        return std::chrono::duration<double>(to - from).count();
    }

    std::vector<std::pair<QByteArray, TimePoint>> writes_;
    size_t first_;
    TimePoint started_;
};

// The header of a data file, as far as it can be known in advance.
inline void expectDataFileHeader(const QStringList& lines, const QString& versionText) {
    ASSERT_GE(lines.size(), 5);
    EXPECT_EQ(lines[0], QStringLiteral("Kestova Quorlin"));
    EXPECT_EQ(lines[1],
              QStringLiteral("Data Acquisition and Display Software File Version ") + versionText);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Date file created: \\d{4}-\\d{2}-\\d{2}$"))
                    .match(lines[2])
                    .hasMatch())
        << lines[2].toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Time file created: \\d{2}:\\d{2}:\\d{2}$"))
                    .match(lines[3])
                    .hasMatch())
        << lines[3].toStdString();
    EXPECT_EQ(lines[4],
              QStringLiteral("System Time,Time(Seconds),CH0,CH1,CH2,CH3,CH4,CH5,CH6,CH7"));
}

inline bool isDateTimeText(const QString& text) {
    static const QRegularExpression re(
        QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}$"));
    return re.match(text).hasMatch();
}

}  // namespace quorlin::test
