#pragma once

#include "common/Channel.h"
#include "common/Colour.h"

#include <QString>

#include <array>

namespace quorlin {

constexpr int kPolyCoeffCount = 11;  // A0 .. A10

struct ChannelPolynomial {
    qint16 PolyOrder = 0;
    std::array<double, kPolyCoeffCount> PolyCoeff{};
};

// The one record of every setting. Zero-filled at start: texts empty, numbers 0, linear.
struct SettingsModel {
    // Persistent, in configuration files.
    QString GraphMethod;  // "Continuous" or "AutoScale"
    double YAxisUpper = 0;
    double YAxisLower = 0;
    qint16 SamplesAveraged = 0;  // 1, 10, 100, 200
    PerChannel<double> Slope{};
    PerChannel<double> Offset{};
    PerChannel<QString> Units;
    PerChannel<qint16> PeakDisplay{};    // 0 none, 1 min, 2 max
    PerChannel<qint16> ChannelActive{};  // 1 active, 0 not
    QString WriteFileMethod;             // "Volts" or "Scale"
    PerChannel<ChannelPolynomial> Polynomial{};
    PerChannel<ColourValue> PlotColor{};
    ColourValue GraphBackColor = 0;
    PerChannel<bool> CalibrationMode{};  // false linear, true polynomial

    // Run-time only.
    qint16 CurrentCommPort = 0;  // 1..16; 0 = none chosen
    bool GraphScale = false;     // chart plots scaled values instead of volts
    bool PeakOn = false;
    QString DataIntervalUnit;  // "Seconds", "Minutes", "Hours", "No Restriction"
    double DataIntervalPoints = 0;
    double DataIntervalMs = 0;
    bool DataFileInUse = false;
    QString DataFilePath;
    QString VersionText;
};

}  // namespace quorlin
