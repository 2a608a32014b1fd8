#pragma once

#include "platform/SingleInstance.h"

#include <QLockFile>
#include <QString>

namespace quorlin {

// The default lock path: one per user, in the system's temporary folder.
QString defaultInstanceLockPath();

// One running instance per lock file. The lock never goes stale by age (a run may last for
// days); the lock of a holder that died is taken over.
class LockFileSingleInstance : public SingleInstance {
  public:
    explicit LockFileSingleInstance(const QString& path = defaultInstanceLockPath());
    bool acquire() override;

  private:
    QLockFile lock_;
};

}  // namespace quorlin
