#include "platform/AppFolders.h"

#include "common/AppError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace quorlin {

void AppFolders::createFolders() const {
    const QDir root(root_);
    for (const QString& folder : {dataFiles(), logs()}) {
        if (QFileInfo(folder).isDir()) {
            continue;
        }
        if (!root.mkdir(QFileInfo(folder).fileName())) {
            throw AppError(ErrorNumber::PathFileAccessError,
                           QStringLiteral("Path/File access error: %1").arg(folder));
        }
    }
}

QString resolveAppFolder() {
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (QFileInfo(programFolder).isWritable()) {
        return programFolder;
    }
    // Installed where the user cannot write (under /usr): keep the files per user.
    const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QDir().mkpath(perUser);
    return perUser;
}

}  // namespace quorlin
