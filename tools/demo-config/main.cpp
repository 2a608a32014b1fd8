// Writes the demonstration configuration a newcomer starts with (scripts/demo/Default.cfg):
// eight active channels with a mix of linear and polynomial scalings, units, peak types and
// distinct plot colours on a dark chart. With --shipped it writes the plain default an install
// ships instead (packaging/Default.cfg): eight active channels in volts, -5 to 5 V, one sample
// averaged. With --check it compares instead of writing, so the committed file cannot drift
// from what the writer produces.
#include "common/AppError.h"
#include "common/Colour.h"
#include "common/TextFile.h"
#include "config/ConfigFile.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

using namespace quorlin;

namespace {

struct Channel {
    const char* units;
    bool polynomial;
    double slope;
    double offset;
    std::initializer_list<double> coefficients;  // A0 first
    qint16 peak;
    ColourValue colour;
};

SettingsModel demoSettings() {
    const Channel channels[kChannelCount] = {
        {"degC", false, 100, -50, {}, 2, rgbValue(255, 99, 71)},
        {"bar", false, 2.5, 0, {}, 2, rgbValue(255, 215, 0)},
        {"mm", true, 1, 0, {0, 10, 0.5}, 1, rgbValue(50, 205, 50)},
        {"V", false, 1, 0, {}, 0, rgbValue(0, 191, 255)},
        {"degC", true, 1, 0, {-0.2, 24.5, -0.35, 0.012}, 2, rgbValue(238, 130, 238)},
        {"bar", false, 10, -1, {}, 1, rgbValue(255, 165, 0)},
        {"mm", false, 25.4, 0, {}, 0, rgbValue(64, 224, 208)},
        {"V", true, 1, 0, {0, 1}, 0, rgbValue(240, 240, 240)},
    };
    SettingsModel m;
    m.GraphMethod = QStringLiteral("Continuous");
    m.YAxisUpper = 5;
    m.YAxisLower = -5;
    m.SamplesAveraged = 10;
    m.WriteFileMethod = QStringLiteral("Volts");
    m.GraphBackColor = rgbValue(25, 25, 35);
    for (int c = 0; c < kChannelCount; ++c) {
        const Channel& ch = channels[c];
        m.ChannelActive[c] = 1;
        m.Units[c] = QString::fromLatin1(ch.units);
        m.Slope[c] = ch.slope;
        m.Offset[c] = ch.offset;
        m.PeakDisplay[c] = ch.peak;
        m.PlotColor[c] = ch.colour;
        m.CalibrationMode[c] = ch.polynomial;
        int a = 0;
        for (double coefficient : ch.coefficients) {
            m.Polynomial[c].PolyCoeff[a++] = coefficient;
        }
        m.Polynomial[c].PolyOrder = static_cast<qint16>(a > 0 ? a - 1 : 0);
    }
    return m;
}

// What the demo has too, without its own choices: no scalings, units, peaks or averaging of
// its own; distinct colours that read on the white chart.
SettingsModel shippedSettings() {
    const ColourValue colours[kChannelCount] = {
        rgbValue(220, 20, 60),  rgbValue(0, 90, 200),  rgbValue(0, 150, 60),  rgbValue(230, 120, 0),
        rgbValue(130, 50, 170), rgbValue(0, 160, 170), rgbValue(120, 80, 40), rgbValue(0, 0, 0),
    };
    SettingsModel m;
    m.GraphMethod = QStringLiteral("Continuous");
    m.YAxisUpper = 5;
    m.YAxisLower = -5;
    m.SamplesAveraged = 1;
    m.WriteFileMethod = QStringLiteral("Volts");
    m.GraphBackColor = rgbValue(255, 255, 255);
    for (int c = 0; c < kChannelCount; ++c) {
        m.ChannelActive[c] = 1;
        m.Units[c] = QStringLiteral("Volts");
        m.Slope[c] = 1;
        m.PlotColor[c] = colours[c];
    }
    return m;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool check = args.removeAll(QStringLiteral("--check")) > 0;
    const bool shipped = args.removeAll(QStringLiteral("--shipped")) > 0;
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: quorlin-demo-config [--check] [--shipped] <file>\n");
        return 2;
    }
    const QString path = args.last();
    const SettingsModel settings = shipped ? shippedSettings() : demoSettings();
    if (check) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) ||
            file.readAll() != encodeLines(configFileLines(settings, true))) {
            std::fprintf(stderr,
                         "%s differs from the settings it is written from; regenerate it "
                         "with quorlin-demo-config%s %s\n",
                         qPrintable(path), shipped ? " --shipped" : "", qPrintable(path));
            return 1;
        }
        return 0;
    }
    try {
        writeConfigFile(path, settings, true);
    } catch (const AppError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description));
        return 1;
    }
    return 0;
}
