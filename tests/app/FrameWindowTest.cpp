#include "app/FrameWindow.h"

#include <QDeadlineTimer>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace quorlin {
namespace {

// Processes events until the spy has seen `count` signals or the deadline passes.
bool waitForCount(QSignalSpy& spy, int count, int timeoutMs = 30000) {
    QDeadlineTimer deadline(timeoutMs);
    while (spy.count() < count && !deadline.hasExpired()) {
        spy.wait(static_cast<int>(deadline.remainingTime()));
    }
    QCoreApplication::processEvents();
    return spy.count() == count;
}

class FrameWindowTest : public ::testing::Test {
  protected:
    FrameWindowTest() { mainSub = frame.setMainWindow(new QLabel(QStringLiteral("main"))); }

    void show() {
        frame.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&frame));
    }

    int shutdowns = 0;
    FrameWindow frame{[this] { ++shutdowns; }};
    QMdiSubWindow* mainSub = nullptr;
};

TEST_F(FrameWindowTest, carriesNameCaptionAndMaximizedMainChild) {
    show();
    EXPECT_EQ(frame.objectName(), QStringLiteral("MDIForm1"));
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("Kestova Quorlin Data Acquisition and Display"));
    EXPECT_EQ(frame.mdiArea()->subWindowList().size(), 1);
    EXPECT_EQ(mainSub->windowTitle(), QStringLiteral("Main"));
    EXPECT_TRUE(mainSub->isMaximized());
}

TEST_F(FrameWindowTest, mainWindowActivated_onFirstShowAndEachReturn) {
    QSignalSpy spy(&frame, &FrameWindow::mainWindowActivated);
    show();
    EXPECT_TRUE(waitForCount(spy, 1)) << spy.count();
    // Already active: nothing new.
    frame.mdiArea()->setActiveSubWindow(mainSub);
    EXPECT_EQ(spy.count(), 1);

    QMdiSubWindow* config = frame.addChildWindow(new QLabel(QStringLiteral("config")));
    frame.mdiArea()->setActiveSubWindow(config);
    EXPECT_EQ(frame.mdiArea()->activeSubWindow(), config);
    EXPECT_EQ(spy.count(), 1);

    frame.mdiArea()->setActiveSubWindow(mainSub);
    EXPECT_TRUE(waitForCount(spy, 2)) << spy.count();

    // Closing the configuration window returns to the main window.
    frame.mdiArea()->setActiveSubWindow(config);
    config->close();
    EXPECT_TRUE(waitForCount(spy, 3)) << spy.count();
}

// The activation's work opens modal boxes; their nested event loops must not run while the
// frame is still showing its children, nor while a closing child is being taken down.
TEST_F(FrameWindowTest, activationWorkRunsAfterTheShowOrCloseThatCausedIt) {
    QSignalSpy spy(&frame, &FrameWindow::mainWindowActivated);
    bool inside = false;
    QList<bool> insideWhenRun;
    QObject::connect(&frame, &FrameWindow::mainWindowActivated, [&] { insideWhenRun << inside; });
    inside = true;
    frame.show();
    inside = false;
    ASSERT_TRUE(waitForCount(spy, 1)) << spy.count();

    QMdiSubWindow* config = frame.addChildWindow(new QLabel(QStringLiteral("config")));
    frame.mdiArea()->setActiveSubWindow(config);
    inside = true;
    config->close();
    inside = false;
    ASSERT_TRUE(waitForCount(spy, 2)) << spy.count();
    EXPECT_EQ(insideWhenRun, (QList<bool>{false, false}));
}

TEST_F(FrameWindowTest, frameLosingAndRegainingFocus_isNoReturn) {
    QSignalSpy spy(&frame, &FrameWindow::mainWindowActivated);
    show();
    EXPECT_TRUE(waitForCount(spy, 1)) << spy.count();
    emit frame.mdiArea()->subWindowActivated(nullptr);
    emit frame.mdiArea()->subWindowActivated(mainSub);
    QCoreApplication::processEvents();
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(FrameWindowTest, closeBox_callsShutdown_mainChildCannotBeClosedAlone) {
    show();
    frame.close();
    EXPECT_EQ(shutdowns, 1);
    mainSub->close();
    EXPECT_TRUE(frame.mdiArea()->subWindowList().contains(mainSub));
    EXPECT_TRUE(mainSub->isVisible());
    EXPECT_EQ(shutdowns, 1);
}

}  // namespace
}  // namespace quorlin
