#include "app/FrameLoad.h"
#include "app/ScriptedInstance.h"
#include "app/Version.h"
#include "common/AppError.h"
#include "support/Fakes.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace quorlin {
namespace {

using test::FakeClock;
using test::MemorySettingsStore;
using test::RecordingErrorHandler;
using test::RecordingMessageBox;
using test::ScriptedInstance;

class FrameLoadTest : public ::testing::Test {
  protected:
    FrameLoadTest() {
        clock.frequency = 10000000;
        // Values a previous life could have left, to see what the load resets.
        settings.DataIntervalUnit = QStringLiteral("Seconds");
        settings.DataIntervalPoints = 5;
        settings.DataIntervalMs = 200;
        values.LastRowTick = 1234;
        values.ChannelTare.fill(0.5);
    }

    bool load() {
        FrameLoad frameLoad(
            settings, values, instance, store, clock, box, errors, [this] { ++shutdowns; },
            [this] { steps.append(QStringLiteral("config")); },
            [this] { steps.append(QStringLiteral("folders")); });
        return frameLoad.run();
    }
    void storePort(const QString& text) {
        store.setValue(QStringLiteral("Startup"), QStringLiteral("CurrentCommPort"), text);
    }

    SettingsModel settings;
    AcquisitionValues values;
    ScriptedInstance instance;
    MemorySettingsStore store;
    FakeClock clock;
    RecordingMessageBox box;
    RecordingErrorHandler errors;
    int shutdowns = 0;
    QStringList steps;
};

TEST_F(FrameLoadTest, secondInstance_noticeThenShutdown_nothingRead) {
    instance.alone = false;
    storePort(QStringLiteral("4"));
    EXPECT_FALSE(load());
    EXPECT_EQ(box.okTexts, QStringList{QStringLiteral("The program is already running!")});
    EXPECT_EQ(shutdowns, 1);
    EXPECT_TRUE(steps.isEmpty());
    EXPECT_EQ(settings.CurrentCommPort, 0);
    EXPECT_TRUE(settings.VersionText.isEmpty());
    EXPECT_EQ(values.CounterFrequency, 1);
    EXPECT_EQ(settings.DataIntervalUnit, QStringLiteral("Seconds"));
}

TEST_F(FrameLoadTest, lockThatCannotBeHad_isReportedWithItsPath_andTheLoadGoesOn) {
    instance.alone = false;
    instance.problem = QStringLiteral("/run/user/1000/quorlin.lock cannot be created");
    EXPECT_TRUE(load());
    ASSERT_EQ(box.okTexts.size(), 1);
    EXPECT_TRUE(box.okTexts[0].contains(instance.problem)) << box.okTexts[0].toStdString();
    EXPECT_EQ(shutdowns, 0);
    EXPECT_EQ(steps, (QStringList{QStringLiteral("config"), QStringLiteral("folders")}));
}

TEST_F(FrameLoadTest, firstInstance_fillsRunTimeValuesInOrder) {
    EXPECT_TRUE(load());
    EXPECT_EQ(instance.calls, 1);
    EXPECT_EQ(shutdowns, 0);
    EXPECT_TRUE(box.all.isEmpty());
    EXPECT_EQ(steps, (QStringList{QStringLiteral("config"), QStringLiteral("folders")}));
    EXPECT_EQ(values.CounterFrequency, 10000000);
    EXPECT_EQ(settings.VersionText, BuildVersionText());
    EXPECT_TRUE(settings.VersionText.contains(QRegularExpression("^\\d+\\.\\d+\\.\\d+$")));
    EXPECT_EQ(settings.CurrentCommPort, 1);  // no stored key
    EXPECT_EQ(settings.DataIntervalUnit, QStringLiteral("No Restriction"));
    EXPECT_EQ(settings.DataIntervalPoints, 0);
    EXPECT_EQ(settings.DataIntervalMs, 0);
    EXPECT_EQ(values.LastRowTick, 0);
    for (double tare : values.ChannelTare) {
        EXPECT_EQ(tare, 0);
    }
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(FrameLoadTest, storedPortText_readByLeadingNumberRoundedHalfEven) {
    const std::pair<QString, qint16> cases[] = {{QString(), 0},
                                                {QStringLiteral("0"), 0},
                                                {QStringLiteral("abc"), 0},
                                                {QStringLiteral("4abc"), 4},
                                                {QStringLiteral("2.5"), 2},
                                                {QStringLiteral("3.5"), 4},
                                                {QStringLiteral(" 16"), 16},
                                                {QStringLiteral("3"), 3}};
    for (const auto& [text, port] : cases) {
        SCOPED_TRACE(text.toStdString());
        settings.CurrentCommPort = -1;
        storePort(text);
        EXPECT_TRUE(load());
        EXPECT_EQ(settings.CurrentCommPort, port);
    }
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(FrameLoadTest, portBeyond16Bits_reportedAndRestOfLoadSkipped) {
    storePort(QStringLiteral("99999"));
    EXPECT_TRUE(load());
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(errors.reports[0].number, ErrorNumber::Overflow);
    EXPECT_EQ(errors.reports[0].source, QStringLiteral("MDIForm_Load"));
    EXPECT_EQ(errors.reports[0].screen, QStringLiteral("MDIForm"));
    EXPECT_EQ(settings.CurrentCommPort, 0);
    EXPECT_EQ(steps, QStringList{QStringLiteral("config")});  // folders not reached
    EXPECT_EQ(settings.DataIntervalUnit, QStringLiteral("Seconds"));
    EXPECT_EQ(values.LastRowTick, 1234);
    // Steps before the failure did run.
    EXPECT_EQ(values.CounterFrequency, 10000000);
    EXPECT_FALSE(settings.VersionText.isEmpty());
    EXPECT_EQ(shutdowns, 0);
}

TEST_F(FrameLoadTest, failureEscapingAHook_reportedAsFrameLoad) {
    FrameLoad frameLoad(
        settings, values, instance, store, clock, box, errors, [this] { ++shutdowns; },
        [] { throw AppError(ErrorNumber::PathFileAccessError, QStringLiteral("denied")); });
    EXPECT_TRUE(frameLoad.run());
    EXPECT_EQ(errors.sources(), QStringList{QStringLiteral("MDIForm_Load")});
    EXPECT_EQ(settings.CurrentCommPort, 0);
}

}  // namespace
}  // namespace quorlin
