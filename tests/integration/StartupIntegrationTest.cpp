// The program against the simulated board over a pseudo-terminal, with the real serial port.

#include "common/AppError.h"
#include "device/BoardLink.h"
#include "device/BoardProtocol.h"
#include "support/AppHarness.h"

#include <gtest/gtest.h>

namespace quorlin::test {
namespace {

using namespace std::chrono_literals;

std::vector<std::pair<uint8_t, std::chrono::steady_clock::time_point>> waitForBytes(AppHarness& h,
                                                                                    size_t n) {
    h.waitFor([&] { return h.board().received().size() >= n; });
    return h.board().received();
}

TEST(StartupIntegration, activationSendsTheCountCodeAtLeast100msAfterZ) {
    const std::pair<qint16, uint8_t> cases[] = {
        {1, 0x69}, {10, 0x6A}, {100, 0x6B}, {200, 0x6C}, {50, 0x7A}};
    for (const auto& [samples, code] : cases) {
        AppHarness h;
        h.writeDefaultConfig([&](SettingsModel& s) { s.SamplesAveraged = samples; });
        ASSERT_TRUE(h.start());
        h.activate();
        // The program writes the count code at least 100 ms after "z" (timed where it
        // writes: the board's reading thread may wake late on a busy machine), and the
        // board receives both, in that order.
        ASSERT_EQ(h.writes().size(), 2u) << "samples averaged " << samples;
        EXPECT_EQ(h.writes()[0].first, QByteArray(1, char(0x7A)));
        EXPECT_EQ(h.writes()[1].first, QByteArray(1, char(code)));
        EXPECT_GE(h.writes()[1].second - h.writes()[0].second, 100ms);
        const auto bytes = waitForBytes(h, 2);
        ASSERT_EQ(bytes.size(), 2u) << "samples averaged " << samples;
        EXPECT_EQ(bytes[0].first, 0x7A);
        EXPECT_EQ(bytes[1].first, code);
        EXPECT_FALSE(h.mainPortOpen());
        EXPECT_TRUE(h.box->all.isEmpty()) << h.box->all.join(u'|').toStdString();
        if (samples == 100) {
            EXPECT_EQ(h.board().samplesAveraged(), 100);
        }
    }
}

TEST(StartupIntegration, everyActivationResendsWithTheCurrentSetting) {
    AppHarness h;
    h.writeDefaultConfig([](SettingsModel& s) { s.SamplesAveraged = 10; });
    ASSERT_TRUE(h.start());
    h.activate();
    ASSERT_TRUE(h.waitFor([&] { return h.board().received().size() >= 2; }));
    h.settings().SamplesAveraged = 200;
    h.activate();
    ASSERT_TRUE(h.waitFor([&] { return h.board().samplesAveraged() == 200; }));
    EXPECT_EQ(h.board().received().size(), 4u);
}

TEST(StartupIntegration, missingDeviceReportsOpenThenTheStartupMessage) {
    AppHarness h({.startBoard = false});
    h.writeDefaultConfig({});
    ASSERT_TRUE(h.start());
    h.store->setValue(QStringLiteral("Ports"), QStringLiteral("1"),
                      h.appFolder() + QStringLiteral("/no-such-device"));
    h.activate();
    ASSERT_EQ(h.box->retryCancelTexts.size(), 1);
    EXPECT_TRUE(h.box->retryCancelTexts[0].contains(QStringLiteral("Source: OpenCommPort")));
    ASSERT_EQ(h.box->okTexts.size(), 1);
    EXPECT_TRUE(h.box->okTexts[0].startsWith(QStringLiteral(
        "The application failed to Send Samples Averaged to the QRL during start-up!\r")));
    EXPECT_EQ(h.processEnds, 0);
}

TEST(StartupIntegration, repliesDecodeToVolts) {
    AppHarness h;
    h.writeDefaultConfig({});
    ASSERT_TRUE(h.start());
    const std::pair<uint16_t, double> readings[] = {
        {0x2000, 0.0}, {0x0000, -5.0}, {0x3FFF, 4.999}, {0xFFFF, 34.996}};
    // A port of the test's own, made as the program makes its ports, opened as the engine
    // opens the main port (the engine's port is its thread's alone).
    const std::unique_ptr<SerialPort> port = h.app().platform().ports->create();
    port->setCommPort(1);
    port->setSettings(QStringLiteral("9600,N,8,1"));
    port->setInputLen(0);
    port->setPortOpen(true);
    ASSERT_TRUE(port->isOpen());
    for (const auto& [raw, volts] : readings) {
        h.board().setSource(0, sim::Source::constant(raw));
        port->output(QByteArray(1, requestByte(0)));
        QByteArray reply;
        ASSERT_TRUE(h.waitFor([&] {
            reply += port->input();
            return reply.size() >= 3;
        }));
        ASSERT_TRUE(isGoodReply(reply));
        EXPECT_DOUBLE_EQ(replyToVolts(reply), volts);
    }
    port->setPortOpen(false);
}

}  // namespace
}  // namespace quorlin::test
