#pragma once

#include "acquisition/AcquisitionEngine.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"

#include <QString>

#include <functional>

namespace quorlin {

class AppErrorHandler;

// One line per event for a run without a window: local time, level, what happened. Written to
// stderr, where a service's journal keeps it; under the journal each line also carries its
// priority, so `journalctl -p warning` finds the warnings and errors.
class HeadlessLog {
  public:
    enum class Level { Info, Warning, Error };
    using Writer = std::function<void(const QByteArray& line)>;

    // An empty writer writes to stderr.
    HeadlessLog(Clock& clock, Writer writer = {});

    void info(const QString& text) { write(Level::Info, text); }
    void warning(const QString& text) { write(Level::Warning, text); }
    void error(const QString& text) { write(Level::Error, text); }
    void write(Level level, const QString& text);

  private:
    Clock& clock_;
    Writer writer_;
    bool journal_ = false;  // stderr is the journal's stream: lines carry their priority
};

// A message box nobody can see: its text becomes one error line, and the Retry/Cancel
// question is answered with Retry, as an unattended run goes on.
class LogMessageBox : public MessageBox {
  public:
    explicit LogMessageBox(HeadlessLog& log) : log_(log) {}
    void showOk(const QString& text) override;
    bool showRetryCancel(const QString& text) override;

  private:
    HeadlessLog& log_;
};

// The engine's reports in a run without a window: the error log gets its entry as always,
// and each report, logged failure or notice one line on stderr; the run goes on as after
// Retry.
class HeadlessReports : public EngineReports {
  public:
    HeadlessReports(AppErrorHandler& errorLog, HeadlessLog& log) : errorLog_(errorLog), log_(log) {}
    void report(qint32 number, const QString& source, const QString& screen,
                const QString& description) override;
    void log(qint32 number, const QString& source, const QString& screen,
             const QString& description) override;
    void notice(const QString& text) override { log_.error(text); }
    // Told the source of each report, after it is logged.
    void setReported(std::function<void(const QString& source)> reported) {
        reported_ = std::move(reported);
    }

  private:
    AppErrorHandler& errorLog_;
    HeadlessLog& log_;
    std::function<void(const QString&)> reported_;
};

}  // namespace quorlin
