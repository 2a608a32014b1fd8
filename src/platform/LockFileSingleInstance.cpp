#include "platform/LockFileSingleInstance.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QSysInfo>

#include <cerrno>
#include <csignal>

#include <sys/stat.h>
#include <unistd.h>

namespace quorlin {

namespace {
constexpr int kTakeOverMs = 500;

// The holder named in the lock file runs on this machine (or on another one, which cannot
// be asked and so counts as running).
bool holderRuns(const QLockFile& lock) {
    qint64 pid = 0;
    QString host;
    QString app;
    if (!lock.getLockInfo(&pid, &host, &app) || pid <= 0) {
        return false;
    }
    if (!host.isEmpty() && host != QSysInfo::machineHostName()) {
        return true;
    }
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}
}  // namespace

QString defaultInstanceLockPath() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (!runtime.isEmpty() && ::stat(runtime.constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
        st.st_uid == ::getuid()) {
        return QFile::decodeName(runtime) + QStringLiteral("/quorlin.lock");
    }
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QDir().mkpath(folder);
    return folder + QStringLiteral("/quorlin.lock");
}

LockFileSingleInstance::LockFileSingleInstance(const QString& path) : lock_(path), path_(path) {
    // The default stale time (30 s) would hand a long-running instance's lock to the next.
    lock_.setStaleLockTime(0);
}

bool LockFileSingleInstance::acquire() {
    problem_.clear();
    // A short retry: a killed holder's lock is taken over only once the holder is fully gone,
    // which can lag its death by a moment; a live holder's lock is still refused after it.
    if (lock_.isLocked() || lock_.tryLock(kTakeOverMs)) {
        return true;
    }
    if (lock_.error() == QLockFile::LockFailedError && holderRuns(lock_)) {
        return false;
    }
    problem_ = lock_.error() == QLockFile::LockFailedError
                   ? QStringLiteral("%1 is in the way and cannot be removed").arg(path_)
                   : QStringLiteral("%1 cannot be created").arg(path_);
    return false;
}

}  // namespace quorlin
