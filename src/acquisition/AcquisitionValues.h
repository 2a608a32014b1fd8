#pragma once

#include "common/Channel.h"

#include <QString>

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

}  // namespace quorlin
