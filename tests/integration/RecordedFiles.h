#pragma once

// Reading back what the program recorded, and the board's log cut into scans, for tests that
// compare the files with what the board sent.

#include "BoardSim.h"
#include "common/Channel.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
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

// The arrival times of the board's reading requests for channel 0, one per scan begun.
inline std::vector<std::chrono::steady_clock::time_point> scanStarts(
    const std::vector<sim::Exchange>& log) {
    std::vector<std::chrono::steady_clock::time_point> starts;
    for (const sim::Exchange& e : log) {
        if (e.channel == 0) {
            starts.push_back(e.at);
        }
    }
    return starts;
}

inline double secondsBetween(std::chrono::steady_clock::time_point from,
                             std::chrono::steady_clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

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
