#include "platform/AppFolders.h"

#include "common/AppError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace quorlin {

void AppFolders::createFolders() const {
    const QDir root(root_);
    for (const QString& folder : {dataFiles(), logs()}) {
        if (QFileInfo(folder).isDir()) {
            continue;
        }
        // Another run started beside this one may have made it in the meantime.
        if (!root.mkdir(QFileInfo(folder).fileName()) && !QFileInfo(folder).isDir()) {
            throw AppError(ErrorNumber::PathFileAccessError,
                           QStringLiteral("Path/File access error: %1").arg(folder));
        }
    }
}

void AppFolders::seedDefaultConfig() const {
    if (shippedConfig_.isEmpty() || QFileInfo::exists(defaultConfig()) ||
        !QFileInfo::exists(shippedConfig_) || !QDir().mkpath(logs())) {
        return;
    }
    QFile::copy(shippedConfig_, defaultConfig());
    // The shipped file is read-only under /usr; the user's copy is theirs to save over.
    QFile::setPermissions(defaultConfig(), QFile::permissions(defaultConfig()) |
                                               QFileDevice::WriteOwner | QFileDevice::ReadOwner);
}

QString applicationId() {
    return QStringLiteral(QUORLIN_APP_ID);
}

bool isInstalledProgram(const QString& programFolder) {
    // An install puts the desktop entry beside bin/ (<prefix>/share/applications); a program
    // file merely copied somewhere has none there.
    return QFileInfo::exists(
        QDir(programFolder)
            .filePath(QStringLiteral("../share/applications/%1.desktop").arg(applicationId())));
}

QString chooseAppFolder(const QString& programFolder, const QString& perUserFolder) {
    // Even a writable install folder (root's view of /usr/bin, a private prefix) is no place
    // for the user's files.
    if (QFileInfo(programFolder).isWritable() && !isInstalledProgram(programFolder)) {
        return programFolder;
    }
    return perUserFolder;
}

QString resolveAppFolder() {
    const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    const QString folder = chooseAppFolder(QCoreApplication::applicationDirPath(), perUser);
    if (folder == perUser) {
        QDir().mkpath(perUser);
    }
    return folder;
}

QString shippedDefaultConfig() {
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (!isInstalledProgram(programFolder)) {
        return {};
    }
    return QDir(programFolder).filePath(QStringLiteral("../share/quorlin/Default.cfg"));
}

}  // namespace quorlin
