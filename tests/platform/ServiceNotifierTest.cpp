#include "platform/ServiceNotifier.h"

#include "support/NotifySocket.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

using namespace quorlin;

TEST(SystemdNotifier, sendsEachStateToTheNotifySocket_nothingWithoutOne) {
    test::TempFolder folder;
    test::NotifySocket socket(folder.file(QStringLiteral("notify")));
    ASSERT_TRUE(socket.bound());
    SystemdNotifier notifier;

    qputenv("NOTIFY_SOCKET", socket.path().toLocal8Bit());
    notifier.ready();
    notifier.status(QStringLiteral("28.5 of 30.0 scans/s\nrows: 10"));
    notifier.alive();
    notifier.stopping();
    EXPECT_EQ(socket.received(), (QStringList{"READY=1", "STATUS=28.5 of 30.0 scans/s rows: 10",
                                              "WATCHDOG=1", "STOPPING=1"}));

    qunsetenv("NOTIFY_SOCKET");
    notifier.ready();
    notifier.alive();
    EXPECT_TRUE(socket.received().isEmpty());
}
