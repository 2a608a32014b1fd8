#include "platform/ServiceNotifier.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

using namespace quorlin;

namespace {

// A notification socket of the test's own, as the service manager would hold it.
class NotifySocket {
  public:
    explicit NotifySocket(const QString& path) {
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray p = path.toLocal8Bit();
        std::memcpy(address.sun_path, p.constData(),
                    std::min<size_t>(static_cast<size_t>(p.size()), sizeof address.sun_path - 1));
        bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~NotifySocket() { ::close(fd_); }
    bool bound() const { return bound_; }
    // The messages waiting, in order.
    QStringList received() const {
        QStringList out;
        char buffer[4096];
        for (ssize_t n; (n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT)) > 0;) {
            out << QString::fromUtf8(buffer, n);
        }
        return out;
    }

  private:
    int fd_ = -1;
    bool bound_ = false;
};

}  // namespace

TEST(SystemdNotifier, sendsEachStateToTheNotifySocket_nothingWithoutOne) {
    test::TempFolder folder;
    const QString path = folder.file(QStringLiteral("notify"));
    NotifySocket socket(path);
    ASSERT_TRUE(socket.bound());
    SystemdNotifier notifier;

    qputenv("NOTIFY_SOCKET", path.toLocal8Bit());
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
