// Random mutations of a valid configuration file: the reader must either load it or report
// an AppError, never crash, hang or read out of bounds. Build with -DQUORLIN_ASAN=ON to run
// it under AddressSanitizer and UBSan; QUORLIN_FUZZ_ITERATIONS sets the number of rounds.
#include "common/AppError.h"
#include "common/TextFile.h"
#include "config/ConfigFile.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <random>

using namespace quorlin;

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

QByteArray mutate(QByteArray bytes, std::mt19937& gen) {
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); };
    static const QByteArray pieces[] = {"\r\n",  "\r",          "\n",    "-",    ".",    "E+",
                                        "e-999", "E308",        "True",  "\xFF", "\xC3", "\x00",
                                        " ",     "99999999999", "1e400", "+",    "\t"};
    const int rounds = pick(1, 8);
    for (int r = 0; r < rounds && !bytes.isEmpty(); ++r) {
        const int at = pick(0, static_cast<int>(bytes.size()) - 1);
        switch (pick(0, 5)) {
            case 0:
                bytes[at] = static_cast<char>(pick(0, 255));
                break;
            case 1:
                bytes.insert(at, pieces[pick(0, std::size(pieces) - 1)]);
                break;
            case 2:
                bytes.remove(at, pick(1, 64));
                break;
            case 3:
                bytes.truncate(at);
                break;
            case 4:
                bytes.insert(at, QByteArray(pick(1, 400), static_cast<char>('0' + pick(0, 9))));
                break;
            default: {
                const int from = pick(0, static_cast<int>(bytes.size()) - 1);
                bytes.insert(at, bytes.mid(from, pick(1, 200)));
                break;
            }
        }
    }
    return bytes;
}

}  // namespace

TEST(ConfigFileFuzz, mutatedFiles_loadOrReportAnError) {
    const int iterations = qEnvironmentVariableIsSet("QUORLIN_FUZZ_ITERATIONS")
                               ? qEnvironmentVariableIntValue("QUORLIN_FUZZ_ITERATIONS")
                               : 3000;
    const QByteArray valid = encodeLines(configFileLines(seedModel(), true));
    std::mt19937 gen(1207);
    int loaded = 0;
    int failed = 0;
    for (int i = 0; i < iterations; ++i) {
        const QByteArray bytes = mutate(valid, gen);
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
