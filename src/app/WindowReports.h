#pragma once

#include "acquisition/AcquisitionEngine.h"
#include "common/ErrorHandler.h"
#include "platform/MessageBox.h"

#include <deque>
#include <functional>

namespace quorlin {

// The engine's reports on the window's thread: a failure through the error handler (the
// error log entry, then Retry or Cancel), a logged failure into the error log, a notice in a
// box. One box at a time: a report that comes while one is open waits until it is answered,
// so the operator answers them in the order they happened.
class WindowReports : public EngineReports {
  public:
    WindowReports(ErrorHandler& errors, MessageBox& messages);

    void report(qint32 number, const QString& source, const QString& screen,
                const QString& description) override;
    void log(qint32 number, const QString& source, const QString& screen,
             const QString& description) override;
    void notice(const QString& text) override;

  private:
    void show(std::function<void()> box);

    ErrorHandler& errors_;
    MessageBox& messages_;
    std::deque<std::function<void()>> waiting_;
    bool showing_ = false;
};

}  // namespace quorlin
