#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace quorlin::test {

// The header a recording made by version 2.1.3 at 2026-12-07 14:05:09 starts with.
inline const QByteArray kDataFileHeader =
    "Kestova Quorlin\r\n"
    "Data Acquisition and Display Software File Version 2.1.3\r\n"
    "Date file created: 2026-12-07\r\n"
    "Time file created: 14:05:09\r\n"
    "System Time,Time(Seconds),CH0,CH1,CH2,CH3,CH4,CH5,CH6,CH7\r\n";

// The file's bytes; empty when it cannot be read.
inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace quorlin::test
