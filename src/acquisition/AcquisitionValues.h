#pragma once

#include "common/Channel.h"

#include <QLatin1String>
#include <QString>

#include <span>

namespace quorlin {

// The run-time values of acquisition, one instance for the whole run.
struct AcquisitionValues {
    qint16 CurrentChannel = 0;           // channel whose reading was last requested
    PerChannel<double> ChannelVolts{};   // last volts; 0 for an unticked channel
    PerChannel<double> ChannelScaled{};  // last scaled value, rounded to 4 decimals
    PerChannel<double> ChannelTare{};    // 0 = not tared
    QString ElapsedTimeText;             // time stamp of the current scan (".25", "12.34")
    qint64 SampleStartCount = 0;         // counter at sampling start
    qint64 CounterFrequency = 1;         // counter ticks per second, read at start-up
    double LastRowTick = 0;              // monotonic ms of the last data row written
};

// The values a data file row records under WriteFileMethod: the volts for "Volts", the scaled
// values for "Scale", none for any other text (the words are exact).
inline std::span<const double> recordedValues(const AcquisitionValues& values,
                                              const QString& writeFileMethod) {
    if (writeFileMethod == QLatin1String("Volts")) {
        return values.ChannelVolts;
    }
    if (writeFileMethod == QLatin1String("Scale")) {
        return values.ChannelScaled;
    }
    return {};
}

}  // namespace quorlin
