#include "common/DateText.h"

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

}  // namespace quorlin
