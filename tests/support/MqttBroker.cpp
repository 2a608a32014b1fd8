#include "support/MqttBroker.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <mosquitto.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quorlin::test {

namespace {

int freePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &length) == 0) {
        port = ntohs(a.sin_port);
    }
    ::close(s);
    return port;
}

bool accepts(int port) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

QString run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        return program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')) +
               QStringLiteral(": ") + QString::fromLocal8Bit(p.readAllStandardError());
    }
    return {};
}

}  // namespace

QString mosquittoBinary() {
    for (const QString& path :
         {QStringLiteral("/usr/sbin/mosquitto"), QStringLiteral("/usr/bin/mosquitto")}) {
        if (QFile::exists(path)) {
            return path;
        }
    }
    return QStandardPaths::findExecutable(QStringLiteral("mosquitto"));
}

QString makeTestCertificates(const QString& folder, BrokerTls& tls) {
    const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    if (openssl.isEmpty()) {
        return QStringLiteral("the openssl program is not installed");
    }
    const QDir dir(folder);
    tls.caFile = dir.filePath(QStringLiteral("ca.crt"));
    tls.certFile = dir.filePath(QStringLiteral("server.crt"));
    tls.keyFile = dir.filePath(QStringLiteral("server.key"));
    const QString caKey = dir.filePath(QStringLiteral("ca.key"));
    const QString request = dir.filePath(QStringLiteral("server.csr"));
    const QString extensions = dir.filePath(QStringLiteral("server.ext"));
    QFile ext(extensions);
    ext.open(QIODevice::WriteOnly);
    ext.write("subjectAltName=IP:127.0.0.1,DNS:localhost\n");
    ext.close();
    const QList<QStringList> steps = {
        {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=Test CA",
         "-keyout", caKey, "-out", tls.caFile},
        {"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=localhost", "-keyout", tls.keyFile,
         "-out", request},
        {"x509", "-req", "-in", request, "-CA", tls.caFile, "-CAkey", caKey, "-CAcreateserial",
         "-days", "2", "-extfile", extensions, "-out", tls.certFile},
    };
    for (const QStringList& step : steps) {
        const QString error = run(openssl, step);
        if (!error.isEmpty()) {
            return error;
        }
    }
    return {};
}

MosquittoBroker::MosquittoBroker(QString folder, BrokerTls tls)
    : folder_(std::move(folder)), tls_(std::move(tls)) {
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.setStandardOutputFile(folder_ + QStringLiteral("/mosquitto.log"), QIODevice::Append);
}

MosquittoBroker::~MosquittoBroker() {
    stop();
}

QString MosquittoBroker::url() const {
    return QStringLiteral("%1://127.0.0.1:%2")
        .arg(tls_.certFile.isEmpty() ? QStringLiteral("mqtt") : QStringLiteral("mqtts"))
        .arg(port_);
}

QString MosquittoBroker::start() {
    const QString binary = mosquittoBinary();
    if (binary.isEmpty()) {
        return QStringLiteral("the mosquitto program is not installed");
    }
    if (port_ == 0) {
        port_ = freePort();
    }
    const QString config = folder_ + QStringLiteral("/mosquitto.conf");
    QFile f(config);
    f.open(QIODevice::WriteOnly);
    QByteArray text = "listener " + QByteArray::number(port_) +
                      " 127.0.0.1\nallow_anonymous true\npersistence false\n";
    if (::geteuid() == 0) {
        text += "user root\n";  // otherwise it drops to a user who cannot read the test's files
    }
    if (!tls_.certFile.isEmpty()) {
        text += "cafile " + QFile::encodeName(tls_.caFile) + "\ncertfile " +
                QFile::encodeName(tls_.certFile) + "\nkeyfile " + QFile::encodeName(tls_.keyFile) +
                "\n";
    }
    f.write(text);
    f.close();
    process_.start(binary, {QStringLiteral("-c"), config});
    if (!process_.waitForStarted(30000)) {
        return QStringLiteral("mosquitto did not start: ") + process_.errorString();
    }
    // A restart may find the port in TIME_WAIT for a moment; the broker then ends and is
    // started again.
    for (int i = 0; i < 600; ++i) {
        if (accepts(port_)) {
            return {};
        }
        if (process_.state() != QProcess::Running) {
            process_.start(binary, {QStringLiteral("-c"), config});
            process_.waitForStarted(30000);
        }
        QThread::msleep(50);
    }
    return QStringLiteral("mosquitto does not accept connections on port %1").arg(port_);
}

void MosquittoBroker::stop() {
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(10000)) {
            process_.kill();
            process_.waitForFinished(10000);
        }
    }
}

MqttSubscriber::MqttSubscriber() {
    mosquitto_lib_init();
    mosq_ = mosquitto_new(nullptr, true, this);
    mosquitto_message_callback_set(mosq_, &MqttSubscriber::messageCallback);
    mosquitto_subscribe_callback_set(mosq_, &MqttSubscriber::subscribeCallback);
    mosquitto_connect_callback_set(mosq_, &MqttSubscriber::connectCallback);
}

MqttSubscriber::~MqttSubscriber() {
    mosquitto_disconnect(mosq_);
    mosquitto_loop_stop(mosq_, true);
    mosquitto_destroy(mosq_);
}

QString MqttSubscriber::subscribe(const QString& host, int port, const QString& filter,
                                  const QString& caFile) {
    if (!caFile.isEmpty()) {
        mosquitto_tls_set(mosq_, QFile::encodeName(caFile).constData(), nullptr, nullptr, nullptr,
                          nullptr);
    }
    filter_ = filter.toUtf8();
    int rc = mosquitto_connect(mosq_, host.toUtf8().constData(), port, 30);
    if (rc == MOSQ_ERR_SUCCESS) {
        rc = mosquitto_loop_start(mosq_);
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        return QString::fromUtf8(mosquitto_strerror(rc));
    }
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, std::chrono::seconds(30), [this] { return subscribed_; })) {
        return QStringLiteral("no subscription acknowledgement");
    }
    return {};
}

std::vector<ReceivedMessage> MqttSubscriber::messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

std::vector<ReceivedMessage> MqttSubscriber::messagesOn(const QByteArray& topic) const {
    std::vector<ReceivedMessage> out;
    for (const ReceivedMessage& m : messages()) {
        if (m.topic == topic) {
            out.push_back(m);
        }
    }
    return out;
}

bool MqttSubscriber::waitFor(const std::function<bool(const std::vector<ReceivedMessage>&)>& done,
                             std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return done(messages_); });
}

void MqttSubscriber::messageCallback(mosquitto*, void* self, const mosquitto_message* m) {
    auto* s = static_cast<MqttSubscriber*>(self);
    ReceivedMessage r{QByteArray(m->topic),
                      QByteArray(static_cast<const char*>(m->payload), m->payloadlen), m->retain,
                      std::chrono::steady_clock::now()};
    std::lock_guard lock(s->mutex_);
    if (s->onMessage_) {
        s->onMessage_(r);
    }
    s->messages_.push_back(std::move(r));
    s->changed_.notify_all();
}

void MqttSubscriber::connectCallback(mosquitto* mosq, void* self, int rc) {
    if (rc == 0) {
        mosquitto_subscribe(mosq, nullptr, static_cast<MqttSubscriber*>(self)->filter_.constData(),
                            1);
    }
}

void MqttSubscriber::subscribeCallback(mosquitto*, void* self, int, int, const int*) {
    auto* s = static_cast<MqttSubscriber*>(self);
    std::lock_guard lock(s->mutex_);
    s->subscribed_ = true;
    s->changed_.notify_all();
}

}  // namespace quorlin::test
