#include "display/RunStatusModel.h"
#include "acquisition/AcquisitionEngine.h"

#include "common/DateText.h"
#include "common/NumberText.h"

#include <algorithm>

namespace quorlin {

RunCounts engineRunCounts(const AcquisitionEngine& engine) {
    RunCounts c;
    c.scans = engine.scanCount();
    c.repeats = engine.repeatCount();
    c.reconnects = engine.reconnectCount();
    c.rowsWritten = engine.rowsWritten();
    c.fileStarts = engine.fileStarts();
    c.rowsFailing = engine.rowsFailing();
    const PublishHealth& publishing = engine.publishHealth();
    c.publishing = publishing.enabled();
    c.publishFailing = publishing.failing();
    if (c.publishFailing) {
        c.publishFailure = publishing.lastFailure();
    }
    c.published = publishing.sent();
    c.publishDropped = publishing.dropped();
    return c;
}

QString runStatusText(const RunCounts& run, double scansPerSecond, double lineLimit,
                      qint64 runSeconds) {
    const QString rate =
        scansPerSecond < 0 ? QStringLiteral("--") : QString::number(scansPerSecond, 'f', 1);
    QString rows;
    if (!run.recording) {
        rows = QStringLiteral("no data file");
    } else {
        // The rows count this run only; the file may hold earlier runs appended to it.
        rows = QStringLiteral("%1 this run, file %2")
                   .arg(run.rowsWritten)
                   .arg(byteSizeText(run.fileBytes));
        if (run.rowsFailing) {
            rows = QStringLiteral("NOT BEING WRITTEN, ") + rows + QStringLiteral(" so far");
        }
    }
    QString text = QStringLiteral(
                       "%1 of %2 scans/s  |  repeated replies: %3  |  reconnects: %4  |  "
                       "rows: %5  |  run time %6")
                       .arg(rate, QString::number(lineLimit, 'f', 1))
                       .arg(run.repeats)
                       .arg(run.reconnects)
                       .arg(rows, durationText(runSeconds));
    if (run.publishing) {
        const QString counts =
            QStringLiteral("%1 sent, %2 dropped").arg(run.published).arg(run.publishDropped);
        text += run.publishFailing
                    ? QStringLiteral("  |  MQTT FAILING (%1), %2").arg(run.publishFailure, counts)
                    : QStringLiteral("  |  MQTT: %1").arg(counts);
    }
    return text;
}

RunStatusModel::RunStatusModel(MainWindowModel& model, Clock& clock, TimerFactory& timers,
                               std::function<RunCounts()> counts, double lineLimit)
    : model_(model),
      clock_(clock),
      timer_(timers.create()),
      counts_(std::move(counts)),
      lineLimit_(lineLimit) {
    connect(timer_.get(), &OneShotTimer::timeout, this, &RunStatusModel::refresh);
}

void RunStatusModel::started() {
    running_ = true;
    atStart_ = counts_();
    startMs_ = clock_.tickMs();
    samples_.assign(1, {startMs_, atStart_.scans});
    refresh();
}

void RunStatusModel::stopped() {
    if (running_) {
        refresh();
    }
    running_ = false;
    timer_->stop();
}

void RunStatusModel::refresh() {
    if (!running_) {
        return;
    }
    const RunCounts now = counts_();
    const qint64 ms = clock_.tickMs();
    samples_.push_back({ms, now.scans});
    while (samples_.size() > 2 && ms - samples_[1].ms >= kRateWindowMs) {
        samples_.pop_front();
    }
    const Sample& first = samples_.front();
    const double rate = ms > first.ms ? static_cast<double>(now.scans - first.scans) * 1000.0 /
                                            static_cast<double>(ms - first.ms)
                                      : -1.0;
    RunCounts run = now;
    run.scans -= atStart_.scans;
    run.repeats -= atStart_.repeats;
    run.reconnects -= atStart_.reconnects;
    // The rows of this run in the file in use: a file started during the run holds only them.
    if (run.fileStarts == atStart_.fileStarts) {
        run.rowsWritten -= atStart_.rowsWritten;
    }
    // A publisher started during the run counts from zero; its counts never go back.
    run.published -= std::min(atStart_.published, run.published);
    run.publishDropped -= std::min(atStart_.publishDropped, run.publishDropped);
    model_.setRunStatus(runStatusText(run, rate, lineLimit_, (ms - startMs_) / 1000));
    timer_->start(kRefreshMs);
}

}  // namespace quorlin
