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
    bool alone = true;
    int calls = 0;
    std::function<void()> onRelease;
};

}  // namespace quorlin::test
