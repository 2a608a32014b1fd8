#include "recording/DailyFileName.h"

#include <QDir>
#include <QFileInfo>

namespace quorlin {

namespace {

QString dailyName(const QString& given, const QDate& day, int number) {
    const QFileInfo info(given);
    QString name = info.completeBaseName() + u'-' + day.toString(Qt::ISODate);
    if (number > 1) {
        name += u'-' + QString::number(number);
    }
    return info.dir().filePath(name + QStringLiteral(".csv"));
}

}  // namespace

QString dailyDataFilePath(const QString& given, const QDate& day) {
    return dailyName(given, day, 1);
}

QString unusedDailyDataFilePath(const QString& given, const QDate& day) {
    for (int number = 1;; ++number) {
        const QString path = dailyName(given, day, number);
        if (QFileInfo(path).size() == 0) {  // also a file that does not exist
            return path;
        }
    }
}

}  // namespace quorlin
