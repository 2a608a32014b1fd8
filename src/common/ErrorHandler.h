#pragma once

#include <QString>

namespace quorlin {

// The one place a trapped failure is reported. Returns after Retry (or after its own
// failure); Cancel ends the application through the injected shut-down function.
class ErrorHandler {
public:
    virtual ~ErrorHandler() = default;
    virtual void SimpleErrorHandler(qint32 number, const QString& source, const QString& screen,
                                    const QString& description) = 0;
};

}  // namespace quorlin
