#include "platform/DeviceLock.h"

#include <QDir>
#include <QFileInfo>

namespace quorlin {

namespace {
constexpr int kTakeOverMs = 500;
}  // namespace

QString runtimeLockFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo(runtime).isDir() ? runtime : QDir::tempPath();
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
