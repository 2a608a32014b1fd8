#pragma once

#include <QDate>
#include <QString>

namespace quorlin {

// The data file of a day of a run that starts a new file at each local midnight:
// NAME-YYYY-MM-DD.csv beside the given file NAME.ext.
QString dailyDataFilePath(const QString& given, const QDate& day);

// The day's file, unless it already holds something (a run restarted that day, by a service
// manager after a failure or at boot): then the first of NAME-YYYY-MM-DD-2.csv, -3, ... that
// does not, so a restart never replaces what was recorded.
QString unusedDailyDataFilePath(const QString& given, const QDate& day);

}  // namespace quorlin
