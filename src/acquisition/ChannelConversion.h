#pragma once

#include "acquisition/AcquisitionValues.h"
#include "acquisition/ChannelReadings.h"
#include "config/SettingsModel.h"
#include "platform/Clock.h"

#include <QObject>

namespace quorlin {

// Turns a channel's volts text into its scaled value (linear or polynomial, minus the tare)
// and follows the channel's peak. Runs as a chain of change handlers on the main window's
// model: a new volts text runs the conversion, a new scaled text runs the peak tracking.
class ChannelConversion : public QObject {
    Q_OBJECT
  public:
    ChannelConversion(SettingsModel& settings, AcquisitionValues& values, ChannelReadings& rows,
                      Clock& clock);

    // The polynomial of the channel at x, rounded to 4 decimals; 0 for an order outside 1..10,
    // a channel outside 0..7, or arithmetic that overflows.
    double EvaluatePolynomial(qint16 channel, double x) const;

    void cmdTare_Click(int channel);
    // Tare takes the scaled value the operator saw in the box when clicking.
    void cmdTare_Click(int channel, const QString& shownScaledText);
    void mnuPeakOn_Click();
    void StartPeakDisplays();
    void ResetPeakDisplays();
    void ResetValueDisplays();

    // The conversion of one channel: volts text -> ChannelScaled and scaled text.
    void convert(int channel);

  private:
    void onRowChanged(int channel, RowField field);
    void trackPeak(int channel);

    SettingsModel& settings_;
    AcquisitionValues& values_;
    ChannelReadings& rows_;
    Clock& clock_;
};

}  // namespace quorlin
