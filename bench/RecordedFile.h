#pragma once

// A recorded data file for benchmarks that open one: the header and rows as the recording
// writes them (scaled values with four decimals, one row per `stepMs`, ten a second unless
// told). A million rows make about 100 MB.

#include "common/Channel.h"
#include "common/DateText.h"
#include "common/NumberText.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>

#include <cmath>

namespace quorlin::bench {

inline bool writeRecordedFile(const QString& path, qint64 rows, qint64 stepMs = 100) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        return false;
    }
    f.write(
        "Kestova Quorlin\r\n"
        "Data Acquisition and Display Software File Version 2.1.3\r\n"
        "Date file created: 2026-12-07\r\n"
        "Time file created: 14:05:09\r\n"
        "System Time,Time(Seconds),CH0,CH1,CH2,CH3,CH4,CH5,CH6,CH7\r\n");
    const QDateTime start(QDate(2026, 12, 7), QTime(14, 5, 9));
    QByteArray block;
    for (qint64 i = 0; i < rows; ++i) {
        QString row = generalDateTimeText(start.addMSecs(i * stepMs)) + u',' +
                      shortNumberText(static_cast<double>(i * stepMs) / 1000);
        for (int c = 0; c < kChannelCount; ++c) {
            const double v = 125 * std::sin(static_cast<double>(i) / (200.0 + c)) - 0.123 * c;
            row += u',' + shortNumberText(std::round(v * 1e4) / 1e4);
        }
        block += row.toLatin1() + "\r\n";
        if (block.size() > (1 << 20)) {
            f.write(block);
            block.clear();
        }
    }
    f.write(block);
    return f.flush();
}

}  // namespace quorlin::bench
