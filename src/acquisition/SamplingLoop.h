#pragma once

#include "acquisition/AcquisitionValues.h"
#include "acquisition/ChannelConversion.h"
#include "acquisition/ChannelReadings.h"
#include "acquisition/QuietLineWait.h"
#include "common/AppError.h"
#include "common/ErrorHandler.h"
#include "config/SettingsModel.h"
#include "device/BoardLink.h"
#include "platform/Clock.h"
#include "platform/EventGate.h"
#include "platform/MessageBox.h"
#include "platform/Timer.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>
#include <atomic>
#include <functional>
#include <memory>

namespace quorlin {

// The work that closes a scan or a run. An empty hook is not called.
struct ScanHooks {
    std::function<void()> ScanClosed;  // the scan's values are in AcquisitionValues
    std::function<void()> WritePeakFile;
    std::function<void(const QString&)> WriteToFile;  // argument: ElapsedTimeText
};

// Sampling: one reading request outstanding on the main port, the next one written from the
// receive event of the reply, as soon as the reply has passed its test and before it is
// shown. Channels 0..7 are requested in turn; channel 0's reply stamps the scan, channel 7's
// reply closes it (the scan's values are handed on, the data row is written). An error in the
// event stops the loop: the reply to a request already sent is then dropped. A bad reply is
// asked for again once the line has been quiet for a few byte times (QuietLineWait), so that
// its tail or a burst of noise cannot misframe the replies after it. When none of the bytes
// dropped had a reply's shape, the first request may still be answered (noise in front of a
// late reply), and the request asked again is treated as one asked again after a time-out.
//
// A reply watchdog keeps a lost byte from stopping the loop for good: when no good reply
// has come within 1000 ms of a request, whatever arrived is discarded, the line is left
// until it has been quiet for 100 ms, and the same request is sent once more. Meanwhile the
// board status says that the board is not answering. As the first request may still be
// answered after all, the good reply that follows a retry is taken for that channel, and the
// next channel is asked for only once the line has been quiet again: a second reply to the
// same request is never taken for another channel's reading.
//
// When the line goes away during a run (adapter pulled, device node gone) the run stays on:
// the loss is logged without a box, the board status says since when the board is lost, and
// the same device path is reopened once a second. Once it opens, the samples-averaged pair
// goes out, a new scan starts at channel 0 and the return is logged; rows go on in the
// same file, their time showing the gap.
class SamplingLoop : public QObject {
    Q_OBJECT
  public:
    static constexpr int kReplyTimeoutMs = 1000;
    static constexpr int kQuietMs = 100;
    static constexpr int kReconnectMs = 1000;

    SamplingLoop(SettingsModel& settings, AcquisitionValues& values, ChannelReadings& rows,
                 BoardLink& link, Clock& clock, ErrorHandler& errors, MessageBox& messages,
                 TimerFactory& timers, EventGate& gate, ChannelConversion& conversion,
                 ScanHooks hooks);
    ~SamplingLoop() override;

    // Starts sampling when it is stopped, stops it when it runs, or refuses with a notice.
    // Decides from the loop's own state.
    void mnuSample_Click();
    // Stops a run without the click's checks (the program ends).
    void stopIfSampling();
    // Channel Range is shown: a start needs two active channels.
    void setChannelRangeOn(bool on) { channelRangeOn_ = on; }
    // The main port's receive event (connected in the constructor).
    void MSComm1_OnComm();

    // Seconds since sampling started, rounded to 2 decimals (halves to even).
    double ElapsedSeconds() const;
    qint16 CountActiveChannels() const;
    bool isSampling() const { return sampling_; }
    // Any thread may ask the counters and whether the line is being reopened.
    bool isReconnecting() const { return reconnecting_; }

    // Since the program started: scans closed, requests sent again because their reply was
    // bad or did not come, and times the line came back after it was lost. Counting is all
    // the receive path does for the run-health line, which reads them from its own thread.
    quint64 scanCount() const { return scans_; }
    quint64 repeatCount() const { return repeats_; }
    quint64 reconnectCount() const { return reconnects_; }

  signals:
    // Sampling started (true) or stopped (false), once its menu state is set.
    void samplingChanged(bool sampling);

  private:
    enum class Watch { Off, AwaitingReply, QuietWait };

    void start();
    void stop();
    // The reply in PortBuffer when it is one the loop takes; otherwise does what the event
    // asks instead (line lost, a bad reply asked for again, noise while waiting for quiet).
    bool takeReply();
    // Requests the next channel, then shows channel k's reply.
    void requestThenShow(int k, const QByteArray& reply);
    void handleReply(int k, const QByteArray& reply);
    void closeScan();
    void writeDataRow();
    void sendRequest();
    void stopWatchdog();
    void onWatchdogTimeout();
    void onResyncTimeout();
    // Reports an event's failure; a failure that took the line with it is a loss instead.
    void fail(const QString& source, const AppError& e);
    void onLineLost();
    void onReconnectTick();
    void resumeAfterReconnect();
    void closeLostPort();
    QString portText();
    void showBoardStatus();
    static void call(const std::function<void()>& hook) {
        if (hook) {
            hook();
        }
    }

    SettingsModel& settings_;
    AcquisitionValues& values_;
    ChannelReadings& rows_;
    BoardLink& link_;
    Clock& clock_;
    ErrorHandler& errors_;
    MessageBox& messages_;
    EventGate& gate_;
    ChannelConversion& conversion_;
    ScanHooks hooks_;
    std::unique_ptr<OneShotTimer> watchdog_;
    std::unique_ptr<OneShotTimer> reconnectTimer_;
    std::unique_ptr<OneShotTimer> resyncTimer_;
    QuietLineWait resync_;

    std::array<QByteArray, kChannelCount> requests_;  // shared, so a send allocates nothing
    bool sampling_ = false;
    bool channelRangeOn_ = false;
    std::atomic<bool> reconnecting_ = false;
    bool permissionSaid_ = false;  // a reopening refused for lack of permission was logged
    qint64 lostAtMs_ = 0;          // monotonic tick of the loss
    bool ignoreReplies_ = false;   // an event failed after its request had gone out
    bool retried_ = false;  // a request sent again may be answered twice, no good reply since
    bool rowWritten_ = false;
    Watch watch_ = Watch::Off;
    std::atomic<quint64> scans_ = 0;
    std::atomic<quint64> repeats_ = 0;
    std::atomic<quint64> reconnects_ = 0;
};

}  // namespace quorlin
