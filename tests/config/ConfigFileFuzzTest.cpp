// Random mutations of a valid configuration file: the reader must either load it or report
// an AppError, never crash, hang or read out of bounds. Build with -DQUORLIN_ASAN=ON to run
// it under AddressSanitizer and UBSan; QUORLIN_FUZZ_ITERATIONS sets the number of rounds.
#include "common/AppError.h"
#include "common/TextFile.h"
#include "config/ConfigFile.h"

#include <QBuffer>

#include "support/FuzzMutation.h"

#include <gtest/gtest.h>

#include <random>

using namespace quorlin;
using namespace quorlin::test;

namespace {

SettingsModel seedModel() {
    SettingsModel m;
    m.GraphMethod = QStringLiteral("Continuous");
    m.YAxisUpper = 5;
    m.YAxisLower = -5;
    m.SamplesAveraged = 10;
    m.WriteFileMethod = QStringLiteral("Volts");
    for (int c = 0; c < kChannelCount; ++c) {
        m.Slope[c] = 1.25 * c;
        m.Offset[c] = -0.5;
        m.Units[c] = QString::fromUtf8("°C");
        m.ChannelActive[c] = 1;
        m.Polynomial[c].PolyOrder = 3;
        m.Polynomial[c].PolyCoeff[1] = 2.5e-7;
        m.PlotColor[c] = 0x00FF00;
        m.CalibrationMode[c] = c % 2 == 0;
    }
    return m;
}

const std::vector<QByteArray> kPieces = {"\r\n",  "\r",          "\n",    "-",    ".",    "E+",
                                         "e-999", "E308",        "True",  "\xFF", "\xC3", "\x00",
                                         " ",     "99999999999", "1e400", "+",    "\t"};

}  // namespace

TEST(ConfigFileFuzz, mutatedFiles_loadOrReportAnError) {
    const int iterations = fuzzIterations(3000);
    const QByteArray valid = encodeLines(configFileLines(seedModel(), true));
    std::mt19937 gen(1207);
    int loaded = 0;
    int failed = 0;
    for (int i = 0; i < iterations; ++i) {
        const QByteArray bytes = mutate(valid, gen, kPieces);
        QBuffer device;
        device.setData(bytes);
        device.open(QIODevice::ReadOnly);
        SettingsModel m;
        try {
            applyConfigLines(readConfigLines(device), m);
            ++loaded;
        } catch (const AppError& e) {
            ++failed;
            EXPECT_TRUE(e.number == ErrorNumber::InputPastEndOfFile ||
                        e.number == ErrorNumber::TypeMismatch || e.number == ErrorNumber::Overflow)
                << "iteration " << i << " error " << e.number;
        }
    }
    // Both outcomes occur, or the mutations are not reaching the reader's paths.
    EXPECT_GT(loaded, 0);
    EXPECT_GT(failed, 0);
}
