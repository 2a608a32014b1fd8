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
    // Writes the same entry to the error log but shows nothing: for what an unattended run
    // handles by itself. A handler without a log of its own takes it as any other report.
    virtual void LogError(qint32 number, const QString& source, const QString& screen,
                          const QString& description) {
        SimpleErrorHandler(number, source, screen, description);
    }
};

}  // namespace quorlin
