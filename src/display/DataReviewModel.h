#pragma once

#include "common/Channel.h"
#include "recording/DataFileReader.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <utility>

namespace quorlin {

class Clock;
class OneShotTimer;
class TimerFactory;

// Minimum, maximum and mean of a channel's points with x in [lower, upper].
struct ChannelStats {
    qint64 count = 0;
    double minimum = 0;
    double maximum = 0;
    double mean = 0;
};
ChannelStats statsInRange(const PointTable& table, double lower, double upper);

// The presentation model of the data review window: a recorded file read in slices from the
// event loop (so the window stays responsive and can cancel), then its texts, which channels
// are drawn, and each channel's figures over the visible stretch of time.
class DataReviewModel : public QObject {
    Q_OBJECT
  public:
    enum class State { Loading, Loaded, Cancelled };

    DataReviewModel(const QString& path, Clock& clock, TimerFactory& timers,
                    QObject* parent = nullptr);
    ~DataReviewModel() override;

    // Reads the header. False (errorText()) when the file cannot be read or is not a data file.
    bool open();
    // Reads the rows from the event loop; loaded() follows, or nothing after cancel().
    void startLoading();
    void cancel();

    State state() const { return state_; }
    const RecordedData& data() const { return reader_.data(); }

    QString windowTitle() const;
    const QString& errorText() const { return reader_.error(); }
    // "Kestova Quorlin data file, version 2.1.3, created 2026-12-07 14:05:09" and the path.
    QString titleText() const;
    // First and last row's system time, seconds recorded, runs and rows; empty while loading.
    QString spanText() const;
    // Rows left out and why, a recording still going on, a read that failed.
    QString noticeText() const;

    // Shown once loading has taken half a second.
    bool progressVisible() const { return progressVisible_; }
    int progressPercent() const;

    // All eight channels, or only those that recorded something other than 0.
    bool showAllChannels() const { return showAll_; }
    void setShowAllChannels(bool all);
    bool channelShown(int channel) const;
    // The value axis for the shown channels' whole records, with a twentieth of room on each
    // side (lower, upper); nothing while no shown channel has points.
    std::optional<std::pair<double, double>> shownValueRange() const;

    // Figures over the visible time window (as display number texts; empty without points).
    void setVisibleRange(double lower, double upper);
    QString minText(int channel) const;
    QString maxText(int channel) const;
    QString meanText(int channel) const;

    // How many bytes one slice reads: small enough to keep a running sampling smooth.
    static constexpr qint64 kSliceBytes = 256 * 1024;
    static constexpr qint64 kProgressAfterMs = 500;

  signals:
    void progressChanged();
    void loaded();
    void channelsChanged();  // which channels are shown
    void statsChanged();

  private:
    void readSlice();
    void updateStats();

    QString path_;
    Clock& clock_;
    DataFileReader reader_;
    std::unique_ptr<OneShotTimer> timer_;
    State state_ = State::Loading;
    qint64 startMs_ = 0;
    bool progressVisible_ = false;
    bool showAll_ = false;
    double lower_ = 0;
    double upper_ = 0;
    PerChannel<ChannelStats> stats_{};
};

}  // namespace quorlin
