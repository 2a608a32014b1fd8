#pragma once

#include <QString>

namespace quorlin {

class SingleInstance {
  public:
    virtual ~SingleInstance() = default;
    // True when this is the only running instance; held until the object goes away.
    virtual bool acquire() = 0;
    // After a refusal: empty when another instance holds the lock; otherwise why the lock
    // itself could not be had, naming it. No running instance stands behind such a refusal.
    virtual QString lockProblem() const { return {}; }
};

}  // namespace quorlin
