#pragma once

// Helpers for whole sampling runs against the simulated board: what the board was asked and
// answered, and what the main window showed meanwhile.

#include "presentation/MainWindowModel.h"
#include "support/AppHarness.h"

#include <QObject>

#include <functional>
#include <vector>

namespace quorlin::test {

// The raw reading that shows as n * 0.6103 V before rounding (1000 counts per step).
constexpr uint16_t rawOf(int n) {
    return static_cast<uint16_t>(0x2000 + 1000 * n);
}

inline constexpr uint8_t kRequestBytes[kChannelCount] = {0x66, 0x78, 0x79, 0x77,
                                                         0x6D, 0x6E, 0x6F, 0x70};

// Writes the settings, starts the program, activates the main window and waits until the
// board has taken the samples-averaged pair, then empties the board's log.
inline bool startProgram(AppHarness& h, const std::function<void(SettingsModel&)>& edit = {}) {
    h.writeDefaultConfig(edit);
    if (!h.start()) {
        return false;
    }
    h.activate();
    if (!h.waitFor([&] { return h.board().exchanges().size() >= 2; })) {
        return false;
    }
    h.board().clearLog();
    return true;
}

inline void toggleSampling(AppHarness& h) {
    h.trigger(h.model().mnuSample);
}

// The reading requests the board received, in order.
inline std::vector<sim::Exchange> readings(AppHarness& h) {
    std::vector<sim::Exchange> out;
    for (const sim::Exchange& e : h.board().exchanges()) {
        if (e.channel >= 0) {
            out.push_back(e);
        }
    }
    return out;
}

// Scans the program has certainly closed: good replies of channel 7 after which it asked
// again.
inline int closedScans(const std::vector<sim::Exchange>& ex) {
    int n = 0;
    for (size_t i = 0; i + 1 < ex.size(); ++i) {
        if (ex[i].channel == kChannelCount - 1 && ex[i].good) {
            ++n;
        }
    }
    return n;
}

inline bool waitForScans(AppHarness& h, int n,
                         std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
    return h.waitFor([&] { return closedScans(readings(h)) >= n; }, timeout);
}

// The volts of every reading the board sent for a channel (good or not).
inline std::vector<double> voltsSentFor(const std::vector<sim::Exchange>& ex, int channel,
                                        bool goodOnly) {
    std::vector<double> out;
    for (const sim::Exchange& e : ex) {
        if (e.channel == channel && e.answered && (e.good || !goodOnly)) {
            out.push_back(sim::rawToVolts(e.raw));
        }
    }
    return out;
}

// Every text the channel boxes took while sampling ran, in order of change.
class ShownTexts {
  public:
    explicit ShownTexts(AppHarness& h) : h_(h) {
        connection_ = QObject::connect(&h.model(), &MainWindowModel::rowChanged,
                                       [this](int k, RowField field) { record(k, field); });
    }
    ~ShownTexts() { QObject::disconnect(connection_); }
    ShownTexts(const ShownTexts&) = delete;
    ShownTexts& operator=(const ShownTexts&) = delete;

    PerChannel<QStringList> volts;
    PerChannel<QStringList> scaled;
    PerChannel<QStringList> peak;

  private:
    void record(int k, RowField field) {
        if (!h_.engine().isSampling()) {
            return;  // the resets at start and stop
        }
        const ChannelRowState& row = h_.model().row(k);
        if (field == RowField::VoltsText) {
            volts[k].append(row.voltsText);
        } else if (field == RowField::ScaledText) {
            scaled[k].append(row.scaledText);
        } else if (field == RowField::PeakText) {
            peak[k].append(row.peakText);
        }
    }

    AppHarness& h_;
    QMetaObject::Connection connection_;
};

}  // namespace quorlin::test
