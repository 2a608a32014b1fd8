#include "acquisition/ChannelConversion.h"

#include "common/DateText.h"
#include "common/NumberText.h"
#include "common/Rounding.h"

#include <cmath>

namespace quorlin {

namespace {
const QString kTare = QStringLiteral("Tare");
const QString kUntare = QStringLiteral("Untare");
const QString kZero = QStringLiteral("0");

constexpr qint16 kPeakMinimum = 1;
constexpr qint16 kPeakMaximum = 2;
}  // namespace

ChannelConversion::ChannelConversion(SettingsModel& settings, AcquisitionValues& values,
                                     ChannelReadings& rows, Clock& clock)
    : settings_(settings), values_(values), rows_(rows), clock_(clock) {
    connect(&rows_, &ChannelReadings::rowChanged, this, &ChannelConversion::onRowChanged);
}

void ChannelConversion::onRowChanged(int channel, RowField field) {
    if (field == RowField::VoltsText) {
        convert(channel);
    } else if (field == RowField::ScaledText) {
        trackPeak(channel);
    }
}

double ChannelConversion::EvaluatePolynomial(qint16 channel, double x) const {
    if (channel < 0 || channel >= kChannelCount) {
        return 0.0;
    }
    const ChannelPolynomial& poly = settings_.Polynomial[channel];
    const int order = poly.PolyOrder;
    if (order < 1 || order > 10) {
        return 0.0;
    }
    const auto& a = poly.PolyCoeff;
    double p = a[1] * x + a[0];
    double power = x;
    for (int i = 2; i <= order; ++i) {
        power *= x;
        p += a[i] * power;
    }
    // An overflowing term leaves inf or NaN behind: the value is then 0, without a message.
    if (!std::isfinite(p)) {
        return 0.0;
    }
    return roundHalfEven(p, 4);
}

void ChannelConversion::convert(int channel) {
    const double x = leadingNumber(rows_.row(channel).voltsText);
    const double y = settings_.CalibrationMode[channel]
                         ? EvaluatePolynomial(static_cast<qint16>(channel), x)
                         : settings_.Slope[channel] * x + settings_.Offset[channel];
    double scaled = y - values_.ChannelTare[channel];
    // A linear calibration or tare that overflows would otherwise keep inf in ChannelScaled
    // while the box shows "0"; treat it as the polynomial overflow is treated.
    if (!std::isfinite(scaled)) {
        scaled = 0.0;
    }
    values_.ChannelScaled[channel] = roundHalfAwayFromZero(scaled, 4);
    rows_.setScaledText(channel, displayNumberText(values_.ChannelScaled[channel]));
}

void ChannelConversion::trackPeak(int channel) {
    if (!settings_.PeakOn) {
        return;
    }
    const qint16 type = settings_.PeakDisplay[channel];
    if (type != kPeakMinimum && type != kPeakMaximum) {
        return;
    }
    const ChannelReading& row = rows_.row(channel);
    const double peak = leadingNumber(row.peakText);
    const double scaled = leadingNumber(row.scaledText);
    const bool newPeak = type == kPeakMinimum ? peak > scaled : peak < scaled;
    if (newPeak) {
        rows_.setPeakText(channel, row.scaledText);
        rows_.setPeakTimeText(channel, generalDateTimeText(clock_.localNow()));
    }
}

void ChannelConversion::cmdTare_Click(int channel) {
    cmdTare_Click(channel, rows_.row(channel).scaledText);
}

void ChannelConversion::cmdTare_Click(int channel, const QString& shownScaledText) {
    const QString caption = rows_.row(channel).tareCaption;
    if (caption == kTare) {
        values_.ChannelTare[channel] = leadingNumber(shownScaledText);
        rows_.setTareCaption(channel, kUntare);
    } else if (caption == kUntare) {
        values_.ChannelTare[channel] = 0.0;
        rows_.setTareCaption(channel, kTare);
    }
    convert(channel);
}

void ChannelConversion::mnuPeakOn_Click() {
    // Not a toggle: choosing it again restarts the tracking from the start values.
    settings_.PeakOn = true;
    ResetPeakDisplays();
    StartPeakDisplays();
}

void ChannelConversion::StartPeakDisplays() {
    for (int k = 0; k < kChannelCount; ++k) {
        if (settings_.PeakDisplay[k] == kPeakMinimum) {
            rows_.setPeakText(k, QStringLiteral("10000"));
        } else if (settings_.PeakDisplay[k] == kPeakMaximum) {
            rows_.setPeakText(k, QStringLiteral("-10000"));
        }
    }
}

void ChannelConversion::ResetPeakDisplays() {
    for (int k = 0; k < kChannelCount; ++k) {
        rows_.setPeakText(k, kZero);
        rows_.setPeakTimeText(k, QString());
    }
}

void ChannelConversion::ResetValueDisplays() {
    for (int k = 0; k < kChannelCount; ++k) {
        rows_.setVoltsText(k, kZero);
    }
    for (int k = 0; k < kChannelCount; ++k) {
        rows_.setScaledText(k, kZero);
    }
}

}  // namespace quorlin
