#include "platform/LockFileSingleInstance.h"

#include <QDir>

#include <unistd.h>

namespace quorlin {

namespace {
constexpr int kTakeOverMs = 500;
}  // namespace

QString defaultInstanceLockPath() {
    return QDir(QDir::tempPath()).filePath(QStringLiteral("quorlin-%1.lock").arg(::getuid()));
}

LockFileSingleInstance::LockFileSingleInstance(const QString& path) : lock_(path) {
    // The default stale time (30 s) would hand a long-running instance's lock to the next.
    lock_.setStaleLockTime(0);
}

bool LockFileSingleInstance::acquire() {
    // A short retry: a killed holder's lock is taken over only once the holder is fully gone,
    // which can lag its death by a moment; a live holder's lock is still refused after it.
    return lock_.isLocked() || lock_.tryLock(kTakeOverMs);
}

}  // namespace quorlin
