#pragma once

#include "common/Channel.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace quorlin {

// One closed scan as published: copies, made on the engine's thread.
struct ScanMessage {
    QDateTime time;       // local time the scan closed
    QString elapsedText;  // the data file's time column (".25", "12.34")
    PerChannel<double> volts{};
    PerChannel<double> values{};  // scaled, after tare
    PerChannel<QString> units;
    PerChannel<bool> active{};  // ticked for this run
};

enum class PublishState { Sampling, Stopped, Reconnecting, Offline };

// The run-health figures since sampling started, and the publisher's own counts since it
// started.
struct HealthMessage {
    QDateTime time;
    qint64 runSeconds = 0;
    double scansPerSecond = -1;  // negative: not known yet
    quint64 scans = 0;
    quint64 repeats = 0;
    quint64 reconnects = 0;
    qint64 rowsWritten = 0;
    bool recording = false;
    bool rowsFailing = false;
    quint64 sent = 0;
    quint64 dropped = 0;
};

// UTF-8 JSON. Numbers are written as the window shows them (15 significant digits, "." as
// the separator); a value JSON cannot hold (NaN, infinity) is written as null.
QByteArray scanPayload(const ScanMessage& scan);
QByteArray statusPayload(PublishState state, const QDateTime& since);
QByteArray healthPayload(const HealthMessage& health);

// JSON number text of a value; "null" when it is not finite.
QByteArray jsonNumber(double value);
// A JSON string literal, quotes included.
QByteArray jsonString(const QString& text);

}  // namespace quorlin
