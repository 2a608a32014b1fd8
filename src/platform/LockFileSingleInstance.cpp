#include "platform/LockFileSingleInstance.h"

#include <QDir>

#include <unistd.h>

namespace quorlin {

QString defaultInstanceLockPath() {
    return QDir(QDir::tempPath()).filePath(QStringLiteral("quorlin-%1.lock").arg(::getuid()));
}

LockFileSingleInstance::LockFileSingleInstance(const QString& path) : lock_(path) {
    // The default stale time (30 s) would hand a long-running instance's lock to the next.
    lock_.setStaleLockTime(0);
}

bool LockFileSingleInstance::acquire() {
    return lock_.isLocked() || lock_.tryLock(0);
}

}  // namespace quorlin
