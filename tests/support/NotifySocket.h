#pragma once

// A notification socket of the test's own, as systemd holds one for a Type=notify service.

#include <QString>
#include <QStringList>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace quorlin::test {

class NotifySocket {
  public:
    explicit NotifySocket(const QString& path) : path_(path) {
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray p = path.toLocal8Bit();
        std::memcpy(address.sun_path, p.constData(),
                    std::min(static_cast<size_t>(p.size()), sizeof address.sun_path - 1));
        bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~NotifySocket() { ::close(fd_); }
    NotifySocket(const NotifySocket&) = delete;
    NotifySocket& operator=(const NotifySocket&) = delete;

    bool bound() const { return bound_; }
    const QString& path() const { return path_; }
    // The messages that arrived since the last call, in order.
    QStringList received() const {
        QStringList out;
        char buffer[4096];
        for (ssize_t n; (n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT)) > 0;) {
            out << QString::fromUtf8(buffer, static_cast<qsizetype>(n));
        }
        return out;
    }

  private:
    QString path_;
    int fd_ = -1;
    bool bound_ = false;
};

}  // namespace quorlin::test
