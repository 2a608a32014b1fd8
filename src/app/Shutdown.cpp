#include "app/Shutdown.h"

#include <cstdio>
#include <cstdlib>

namespace quorlin {

void endProcess(int exitCode) {
    std::fflush(nullptr);
    // A plain return or exit() would unwind into whatever event handler called us and run
    // window close handlers and destructors on the way; the application must stop here.
    std::_Exit(exitCode);
}

}  // namespace quorlin
