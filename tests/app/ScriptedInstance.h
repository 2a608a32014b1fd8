#pragma once

#include "platform/SingleInstance.h"

#include <functional>

namespace quorlin::test {

// A single-instance check that answers as told and reports its release.
class ScriptedInstance : public SingleInstance {
  public:
    ~ScriptedInstance() override {
        if (onRelease) {
            onRelease();
        }
    }
    bool acquire() override {
        ++calls;
        return alone;
    }
    QString lockProblem() const override { return problem; }
    bool alone = true;
    QString problem;  // with alone false: the lock could not be had
    int calls = 0;
    std::function<void()> onRelease;
};

}  // namespace quorlin::test
