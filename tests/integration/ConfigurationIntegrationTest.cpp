// The Configuration window in the running program: the default file read at start-up, edits
// saved to a chosen file, and Return reaching the channel panel and the board.

#include "config/ConfigurationDialog.h"
#include "config/ConfigurationDialogModel.h"
#include "integration/RecordedFiles.h"
#include "support/AppHarness.h"

#include <gtest/gtest.h>

namespace quorlin::test {
namespace {

using namespace std::chrono_literals;

void realisticSettings(SettingsModel& s) {
    s.SamplesAveraged = 10;
    s.Slope[2] = 2.5;
    s.Offset[2] = -1;
    s.Units[5] = QStringLiteral("mV");
    s.YAxisUpper = 8;
    s.PeakDisplay[1] = 2;
    for (int c = 0; c < kChannelCount; ++c) {
        s.Polynomial[c].PolyOrder = 1;
        s.Polynomial[c].PolyCoeff[1] = 1;
        s.PlotColor[c] = static_cast<ColourValue>(0x010203 * (c + 1));
    }
    s.GraphBackColor = 0x202020;
}

ConfigurationDialogModel& openConfiguration(AppHarness& h) {
    h.trigger(h.model().mnuConfiguration);
    ConfigurationDialog* window = h.main().configurationWindow();
    EXPECT_NE(window, nullptr);
    return window->model();
}

TEST(ConfigurationIntegration, savedFileReproducesTheEdits_andReturnReachesPanelAndBoard) {
    AppHarness h({.realChart = false});
    h.writeDefaultConfig(realisticSettings);
    const RecordedLines defaults =
        readRecordedLines(h.appFolder() + QStringLiteral("/Logs/Default.cfg"));
    ASSERT_EQ(defaults.lines.size(), 178);
    ASSERT_TRUE(h.start());
    // Start-up read the default file.
    EXPECT_EQ(h.settings().SamplesAveraged, 10);
    EXPECT_EQ(h.settings().Slope[2], 2.5);
    EXPECT_EQ(h.settings().Units[5], QStringLiteral("mV"));
    h.show();  // the frame's activation of the main window sends the averaging pair
    ASSERT_TRUE(h.waitFor([&] { return h.board().exchanges().size() >= 2; }));
    EXPECT_EQ(h.board().samplesAveraged(), 10);
    EXPECT_EQ(h.model().row(5).unitText, QStringLiteral("mV"));
    h.board().clearLog();

    ConfigurationDialogModel& m = openConfiguration(h);
    ASSERT_NE(h.main().configurationWindow(), nullptr);
    EXPECT_EQ(m.slope(2), 2.5);
    EXPECT_EQ(m.samplesAveragedChoice(), 1);  // 10
    m.setSlope(1, -0.75);
    m.setOffset(1, 0.5);
    m.setUnits(3, QStringLiteral("kPa"));
    m.optPoly_Click(4);
    m.setPolyOrder(4, 3);
    m.setCoefficient(4, 0, 1.5);
    m.setCoefficient(4, 1, -0.25);
    m.setCoefficient(4, 2, 0.125);
    m.setCoefficient(4, 3, 2e-5);
    m.setSamplesAveragedChoice(2);  // 100
    const QString path = h.appFolder() + QStringLiteral("/edited.cfg");
    h.files->answers = {path};
    m.mnuSave_Click();

    const RecordedLines saved = readRecordedLines(path);
    ASSERT_TRUE(saved.readable);
    EXPECT_EQ(saved.badLineEnds, 0);
    ASSERT_EQ(saved.lines.size(), 178);
    QStringList expected = defaults.lines;
    expected[0] =
        QStringLiteral("Quorlin - Data Acquisition and Display Software Configuration File");
    expected[8 - 1] = QStringLiteral("100");
    expected[11 - 1] = QStringLiteral("-.75");  // Slope CH1
    expected[20 - 1] = QStringLiteral(".5");    // Offset CH1
    expected[31 - 1] = QStringLiteral("kPa");   // Units CH3
    expected[109 - 1] = QStringLiteral(" 3 ");  // PolyOrder CH4
    expected[110 - 1] = QStringLiteral(" 1.5 ");
    expected[111 - 1] = QStringLiteral("-.25 ");
    expected[112 - 1] = QStringLiteral(" .125 ");
    expected[113 - 1] = QStringLiteral(" 2E-05 ");
    expected[175 - 1] = QStringLiteral("True");  // CalibrationMode CH4
    for (int i = 0; i < 178; ++i) {
        EXPECT_EQ(saved.lines[i], expected[i]) << "line " << i + 1;
    }
    EXPECT_EQ(h.settings().DataFilePath, QString());  // a configuration file is no data file

    // Return, then the main window is active again: panel and board get the new settings.
    m.mnuReturn_Click();
    ASSERT_TRUE(h.waitFor([&] { return h.main().configurationWindow() == nullptr; }));
    ASSERT_TRUE(h.waitFor([&] { return h.board().received().size() >= 2; }));
    const auto bytes = h.board().received();
    ASSERT_EQ(bytes.size(), 2u);
    EXPECT_EQ(bytes[0].first, 0x7A);
    EXPECT_EQ(bytes[1].first, 0x6B);  // 100 samples
    // 100 ms apart where the program writes them (the board's reading thread may wake late
    // on a busy machine, so its own times are no measure of the pause). The program's write
    // is logged once it returns, on the engine's thread: the board may have the byte first.
    ASSERT_TRUE(h.waitFor([&] {
        const AppHarness::TimedBytes w = h.writes();
        return !w.empty() && w.back().first == QByteArray(1, char(0x6B));
    }));
    const AppHarness::TimedBytes writes = h.writes();
    ASSERT_GE(writes.size(), 2u);
    const auto& z = writes[writes.size() - 2];
    const auto& code = writes.back();
    EXPECT_EQ(z.first, QByteArray(1, char(0x7A)));
    EXPECT_EQ(code.first, QByteArray(1, char(0x6B)));
    EXPECT_GE(code.second - z.second, 100ms);
    EXPECT_EQ(h.model().row(3).unitText, QStringLiteral("kPa"));
    EXPECT_EQ(h.settings().Slope[1], -0.75);
    EXPECT_TRUE(h.box->all.isEmpty()) << h.box->all.join(u'|').toStdString();
}

TEST(ConfigurationIntegration, openingTheWindowWhileSampling_stopsSamplingFirst) {
    AppHarness h({.realChart = false});
    h.writeDefaultConfig({});
    ASSERT_TRUE(h.start());
    h.activate();
    ASSERT_TRUE(h.waitFor([&] { return h.board().exchanges().size() >= 2; }));
    h.board().clearLog();
    h.trigger(h.model().mnuSample);
    ASSERT_TRUE(h.waitFor([&] { return h.board().exchanges().size() >= 16; }));

    h.main().mnuConfiguration_Click();  // what the menu command runs
    h.settle();
    EXPECT_FALSE(h.engine().isSampling());
    EXPECT_FALSE(h.model().mnuSample->isChecked());
    EXPECT_TRUE(h.model().mnuTools->isEnabled());
    EXPECT_FALSE(h.mainPortOpen());
    EXPECT_NE(h.main().configurationWindow(), nullptr);
    // Nothing is written after the stop; what was written before reaches the board.
    const size_t written = h.writes().size();
    ASSERT_TRUE(h.waitForBoardToCatchUp());
    EXPECT_EQ(h.writes().size(), written);
}

}  // namespace
}  // namespace quorlin::test
