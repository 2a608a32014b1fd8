#pragma once

#include "platform/Clock.h"
#include "platform/Timer.h"
#include "presentation/MainWindowModel.h"

#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <memory>

namespace quorlin {

// What the run-health line counts. The counters run from the program's start; the line shows
// what they gained since sampling started, and the rows of the data file in use.
struct RunCounts {
    quint64 scans = 0;
    quint64 repeats = 0;  // replies asked for again, bad or lost
    quint64 reconnects = 0;
    qint64 rowsWritten = 0;    // in the data file in use
    quint64 fileStarts = 0;    // files chosen or started again: the row count began anew
    bool recording = false;    // a data file is in use
    bool rowsFailing = false;  // the last row could not be written
    qint64 fileBytes = 0;
    bool publishing = false;      // scans go to an MQTT broker
    bool publishFailing = false;  // the broker cannot be reached or the connection was lost
    QString publishFailure{};     // why, in words
    quint64 published = 0;        // messages the broker took
    quint64 publishDropped = 0;   // messages dropped or possibly lost
};

class AcquisitionEngine;

// The engine's counters, read from any thread; what the data file in use is (recording,
// fileBytes) the caller knows.
RunCounts engineRunCounts(const AcquisitionEngine& engine);

// The line itself. A negative rate is not known yet.
QString runStatusText(const RunCounts& run, double scansPerSecond, double lineLimit,
                      qint64 runSeconds);

// Keeps the main window's run-health line: reads the counters once a second while sampling
// and formats them there, so the receive path only counts. Rate and run time come from the
// monotonic tick, so a wall-clock jump changes neither.
class RunStatusModel : public QObject {
    Q_OBJECT
  public:
    static constexpr int kRefreshMs = 1000;
    static constexpr qint64 kRateWindowMs = 10000;  // scan rate over the last ten seconds

    // `lineLimit`: the scans per second the line allows at the port's speed.
    RunStatusModel(MainWindowModel& model, Clock& clock, TimerFactory& timers,
                   std::function<RunCounts()> counts, double lineLimit);

    void started();
    // Shows the run's final figures and stops refreshing.
    void stopped();
    void refresh();
    bool isRunning() const { return running_; }

  private:
    struct Sample {
        qint64 ms;
        quint64 scans;
    };

    MainWindowModel& model_;
    Clock& clock_;
    std::unique_ptr<OneShotTimer> timer_;
    std::function<RunCounts()> counts_;
    double lineLimit_;
    bool running_ = false;
    RunCounts atStart_;
    qint64 startMs_ = 0;
    std::deque<Sample> samples_;
};

}  // namespace quorlin
