#include "common/DateText.h"

#include <algorithm>

namespace quorlin {

namespace {
QString two(int v) {
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}
}  // namespace

QString shortDateText(const QDateTime& t) {
    const QDate d = t.date();
    return QStringLiteral("%1-%2-%3")
        .arg(d.year(), 4, 10, QLatin1Char('0'))
        .arg(two(d.month()), two(d.day()));
}

QString timeText(const QDateTime& t) {
    const QTime tm = t.time();
    return QStringLiteral("%1:%2:%3").arg(two(tm.hour()), two(tm.minute()), two(tm.second()));
}

QString generalDateTimeText(const QDateTime& t) {
    return shortDateText(t) + QLatin1Char(' ') + timeText(t);
}

QString isoDateTimeText(const QDateTime& t) {
    const QTime tm = t.time();
    const int offset = t.offsetFromUtc();
    const int minutes = (offset < 0 ? -offset : offset) / 60;
    return QStringLiteral("%1T%2.%3%4%5:%6")
        .arg(shortDateText(t), timeText(t))
        .arg(tm.msec(), 3, 10, QLatin1Char('0'))
        .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(two(minutes / 60), two(minutes % 60));
}

QString errorLogDateText(const QDateTime& t) {
    const QDate d = t.date();
    const QTime tm = t.time();
    const int hour12 = tm.hour() % 12 == 0 ? 12 : tm.hour() % 12;
    const QString ampm = tm.hour() < 12 ? QStringLiteral("am") : QStringLiteral("pm");
    return QStringLiteral("%1/%2/%3 %4:%5:%6 %7")
        .arg(two(d.day()), two(d.month()))
        .arg(d.year(), 4, 10, QLatin1Char('0'))
        .arg(two(hour12), two(tm.minute()), two(tm.second()), ampm);
}

bool parseGeneralDateTimeSeconds(std::string_view text, qint64& seconds) {
    // "yyyy-MM-dd HH:mm:ss"
    static constexpr std::string_view kPattern = "dddd-dd-dd dd:dd:dd";
    if (text.size() != kPattern.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kPattern[i] == 'd' ? !digit : text[i] != kPattern[i]) {
            return false;
        }
    }
    auto number = [&](std::size_t at, std::size_t length) {
        int v = 0;
        for (std::size_t i = at; i < at + length; ++i) {
            v = v * 10 + (text[i] - '0');
        }
        return v;
    };
    const int year = number(0, 4);
    const int month = number(5, 2);
    const int day = number(8, 2);
    const int hour = number(11, 2);
    const int minute = number(14, 2);
    const int second = number(17, 2);
    if (!QDate::isValid(year, month, day) || hour > 23 || minute > 59 || second > 59) {
        return false;
    }
    const qint64 days = QDate(year, month, day).toJulianDay();
    seconds = days * 86400 + hour * 3600 + minute * 60 + second;
    return true;
}

QString durationText(qint64 seconds) {
    seconds = std::max<qint64>(seconds, 0);
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(two(static_cast<int>(seconds / 60 % 60)), two(static_cast<int>(seconds % 60)));
}

}  // namespace quorlin
