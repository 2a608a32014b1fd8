#pragma once

#include <cstddef>
#include <functional>

namespace quorlin {

// Runs work(i) for every i in [0, count): on the calling thread and, where the machine has
// more than one core, on one helper thread alongside, each index exactly once. The helper
// runs at a lowered priority: it only makes a redraw finish sooner, and must not take the
// core the acquisition's thread needs.
// Returns when every call has returned; the first exception a call threw is thrown here.
// The calls must not depend on each other, nor touch anything the others write.
void runAlongside(std::size_t count, const std::function<void(std::size_t)>& work);

}  // namespace quorlin
