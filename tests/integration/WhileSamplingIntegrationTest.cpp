// What the operator can and cannot change while a run is on, against the simulated board.

#include "support/AppHarness.h"

#include <gtest/gtest.h>

namespace quorlin::test {
namespace {

// The configuration window is modeless: a Samples Averaged changed there during a run reaches
// the main window's activation while sampling holds the port. The pair must not break into
// the request stream, nor be lost: it goes out when sampling stops.
TEST(WhileSamplingIntegration, averagingChosenDuringARun_reachesTheBoardWhenSamplingStops) {
    AppHarness h({.realChart = false});
    h.writeDefaultConfig([](SettingsModel& s) { s.SamplesAveraged = 10; });
    ASSERT_TRUE(h.start());
    h.activate();
    ASSERT_TRUE(h.waitFor([&] { return h.board().samplesAveraged() == 10; }));
    h.trigger(h.model().mnuSample);
    ASSERT_TRUE(h.waitFor([&] { return h.board().exchanges().size() >= 16; }));

    // Every write of the program is logged as it is made: none may be the command.
    const auto commandsWrittenSince = [&](size_t from) {
        int n = 0;
        for (size_t i = from; i < h.writes().size(); ++i) {
            n += h.writes()[i].first == QByteArray(1, 'z') ? 1 : 0;
        }
        return n;
    };
    const size_t from = h.writes().size();
    h.activate();  // back to the main window with the averaging unchanged: nothing waits
    EXPECT_TRUE(h.model().averagingNotice().isEmpty());
    h.settings().SamplesAveraged = 200;  // Return in the configuration window
    h.activate();                        // and back to the main window
    EXPECT_EQ(commandsWrittenSince(from), 0);
    EXPECT_TRUE(h.engine().isSampling());
    EXPECT_TRUE(h.model().averagingNotice().contains(QStringLiteral("Samples Averaged 200")))
        << h.model().averagingNotice().toStdString();

    h.trigger(h.model().mnuSample);
    ASSERT_FALSE(h.engine().isSampling());
    EXPECT_EQ(commandsWrittenSince(from), 1);
    EXPECT_TRUE(h.waitFor([&] { return h.board().samplesAveraged() == 200; }));
    EXPECT_TRUE(h.model().averagingNotice().isEmpty());
    EXPECT_FALSE(h.mainPortOpen());
    EXPECT_TRUE(h.box->all.isEmpty()) << h.box->all.join(u'|').toStdString();
}

// A disabled menu keeps the mouse away only; its items themselves refuse every other route
// (shortcuts, the accessibility interface, trigger()).
TEST(WhileSamplingIntegration, everyToolsAndHelpItemIsDisabledWhileSampling) {
    AppHarness h({.realChart = false});
    h.writeDefaultConfig({});
    ASSERT_TRUE(h.start());
    h.activate();
    MainWindowModel& m = h.model();
    const QList<QAction*> items{m.mnuCommPort,          m.mnuConfiguration, m.mnuPeakOn,
                                m.mnuSetDataInterval,   m.mnuSwapColor,     m.mnuChannelRangeVolts,
                                m.mnuChannelRangeScale, m.mnuHelpHelp,      m.mnuAbout};
    const auto enabled = [&] {
        QStringList out;
        for (QAction* item : items) {
            if (item->isEnabled()) {
                out << item->objectName();
            }
        }
        return out;
    };
    h.main().panel().Form_KeyDown(Qt::Key_F8, Qt::ControlModifier);  // shows Channel Range
    ASSERT_EQ(enabled().size(), items.size());

    h.trigger(m.mnuSample);
    ASSERT_TRUE(h.engine().isSampling());
    EXPECT_EQ(enabled(), QStringList());
    h.trigger(m.mnuConfiguration);
    EXPECT_EQ(h.main().configurationWindow(), nullptr);
    EXPECT_TRUE(h.engine().isSampling());

    h.trigger(m.mnuSample);
    EXPECT_EQ(enabled().size(), items.size());
}

}  // namespace
}  // namespace quorlin::test
