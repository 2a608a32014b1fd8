#pragma once

#include <functional>

namespace quorlin {

// The one way the application ends: Exit, the frame's close box, the error handler's Cancel
// and the second-instance check all call it. Injected, so tests can observe it.
using ShutdownFunction = std::function<void()>;

// Ends the process at once with the exit code: no window close handler, no destructor and no
// code of the caller runs afterwards, so nothing is saved on the way out. Files are never
// left open between operations, so nothing is lost either.
[[noreturn]] void endProcess(int exitCode = 0);

}  // namespace quorlin
