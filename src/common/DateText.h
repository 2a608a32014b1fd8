#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <string_view>

namespace quorlin {

// The system's date and time texts: ISO-like and unambiguous.
QString shortDateText(const QDateTime& t);        // 2026-12-07
QString timeText(const QDateTime& t);             // 14:05:09
QString generalDateTimeText(const QDateTime& t);  // 2026-12-07 14:05:09
// ISO 8601 local time with milliseconds and the offset from UTC, for other programs to read:
// "2026-12-09T06:00:00.123+01:00" ("+00:00" at UTC, never "Z").
QString isoDateTimeText(const QDateTime& t);
// The error log's own form: "07/12/2026 02:05:09 pm" (12-hour clock, 00:30 is 12:30 am).
QString errorLogDateText(const QDateTime& t);
// A duration in whole seconds: "0:00:05", "26:03:00" (hours go on counting past a day).
QString durationText(qint64 seconds);

// Reads a general date-time text back as seconds on a calendar without time zones (only
// differences between two such values mean something). False unless the text is exactly in
// that form and names a real date and time.
bool parseGeneralDateTimeSeconds(std::string_view text, qint64& seconds);

}  // namespace quorlin
