#pragma once

#include "common/ErrorHandler.h"
#include "config/SettingsModel.h"
#include "platform/AppFolders.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"

#include <QString>

#include <functional>

namespace quorlin {

// Appends a ten-line entry to Logs/error.log, then offers Retry (go on) or Cancel (end the
// application through the shut-down function). A failure of its own shows one notice and
// returns as after Retry.
class AppErrorHandler : public ErrorHandler {
  public:
    AppErrorHandler(const AppFolders& folders, const SettingsModel& settings, Clock& clock,
                    MessageBox& messageBox, std::function<void()> shutdown,
                    QString applicationTitle = QStringLiteral("Quorlin"));

    void SimpleErrorHandler(qint32 number, const QString& source, const QString& screen,
                            const QString& description) override;
    void LogError(qint32 number, const QString& source, const QString& screen,
                  const QString& description) override;

  private:
    // The entry's seven lines (without the rules around them).
    QString entryText(qint32 number, const QString& source, const QString& screen,
                      const QString& description);
    void appendEntry(const QString& entry);

    AppFolders folders_;
    const SettingsModel& settings_;
    Clock& clock_;
    MessageBox& messageBox_;
    std::function<void()> shutdown_;
    QString applicationTitle_;
};

}  // namespace quorlin
