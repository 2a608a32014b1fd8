#pragma once

#include <QString>

namespace quorlin {

// "major.minor.revision" of the running program.
inline QString BuildVersionText() {
    return QStringLiteral("%1.%2.%3")
        .arg(QUORLIN_VERSION_MAJOR)
        .arg(QUORLIN_VERSION_MINOR)
        .arg(QUORLIN_VERSION_PATCH);
}

}  // namespace quorlin
