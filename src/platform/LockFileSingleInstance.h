#pragma once

#include "platform/SingleInstance.h"

#include <QLockFile>
#include <QString>

namespace quorlin {

// The default lock path: in the user's own runtime folder ($XDG_RUNTIME_DIR), else in the
// per-user application data folder; never in a folder other users can write to, where any of
// them could plant it first.
QString defaultInstanceLockPath();

// One running instance per lock file. The lock never goes stale by age (a run may last for
// days); the lock of a holder that died is taken over.
class LockFileSingleInstance : public SingleInstance {
  public:
    explicit LockFileSingleInstance(const QString& path = defaultInstanceLockPath());
    bool acquire() override;
    QString lockProblem() const override { return problem_; }

  private:
    QLockFile lock_;
    QString path_;
    QString problem_;
};

}  // namespace quorlin
