#include "platform/DeviceLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace quorlin {

namespace {
constexpr int kTakeOverMs = 500;
}  // namespace

QString runtimeLockFolder() {
    // Never a folder other users can write to, where any of them could plant the lock first.
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (!runtime.isEmpty() && ::stat(runtime.constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
        st.st_uid == ::getuid()) {
        return QFile::decodeName(runtime);
    }
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QDir().mkpath(folder);
    return folder;
}

DeviceLock::DeviceLock(const QString& device, const QString& folder) {
    const QString canonical = QFileInfo(device).canonicalFilePath();
    device_ = canonical.isEmpty() ? QFileInfo(device).absoluteFilePath() : canonical;
    QString name = device_;
    name.replace(u'/', u'_');
    path_ = QDir(folder).filePath(QStringLiteral("quorlin-device%1.lock").arg(name));
    lock_ = std::make_unique<QLockFile>(path_);
    // A run may last for months: only a dead holder's lock is taken over.
    lock_->setStaleLockTime(0);
}

bool DeviceLock::acquire() {
    return lock_->isLocked() || lock_->tryLock(kTakeOverMs);
}

QString DeviceLock::holder() const {
    qint64 pid = 0;
    QString host;
    QString app;
    if (!lock_->getLockInfo(&pid, &host, &app)) {
        return QStringLiteral("another process");
    }
    return app.isEmpty() ? QStringLiteral("process %1").arg(pid)
                         : QStringLiteral("process %1 (%2)").arg(pid).arg(app);
}

}  // namespace quorlin
