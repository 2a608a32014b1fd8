#pragma once

namespace quorlin {

// Ends the process at once with the exit code: no window close handler, no destructor and no
// code of the caller runs afterwards, so nothing is saved on the way out. Files are never
// left open between operations, so nothing is lost either.
[[noreturn]] void endProcess(int exitCode = 0);

}  // namespace quorlin
