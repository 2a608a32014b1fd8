#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>

#include <functional>
#include <string>

namespace quorlin::test {

// An Xvfb server of the test's own, driven with xdotool.
class VirtualDisplay {
  public:
    bool start() {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
            return false;
        }
        // Xvfb picks a free display itself and tells its number on stdout. Without -noreset
        // it starts over whenever its last client has gone, and a program connecting in that
        // moment is turned away.
        server.start(QStringLiteral("Xvfb"),
                     {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"),
                      QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-screen"),
                      QStringLiteral("0"), QStringLiteral("1280x900x24")});
        if (!server.waitForStarted(5000)) {
            return false;
        }
        QByteArray out;
        if (!waitUntil(
                [&] {
                    server.waitForReadyRead(50);
                    out += server.readAllStandardOutput();
                    return out.contains('\n');
                },
                10000)) {
            return false;
        }
        display = u':' + QString::fromLatin1(out.trimmed());
        return true;
    }
    ~VirtualDisplay() {
        if (server.state() != QProcess::NotRunning) {
            server.terminate();
            server.waitForFinished(3000);
        }
    }

    // Ids of the windows whose title matches the pattern.
    QStringList windows(const QString& titlePattern) const {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(QStringLiteral("xdotool"),
                {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                 QStringLiteral("--name"), titlePattern});
        p.waitForFinished(5000);
        return QString::fromLocal8Bit(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    }

    // Every visible window's title, for failure messages.
    std::string titles() const {
        QStringList out;
        for (const QString& id : windows(QStringLiteral("."))) {
            QProcess p;
            p.setProcessEnvironment(environment());
            p.start(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), id});
            p.waitForFinished(5000);
            out << u'"' + QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed() + u'"';
        }
        return out.join(u", ").toStdString();
    }

    void pressReturnIn(const QString& window) const { keysIn(window, {QStringLiteral("Return")}); }

    void keysIn(const QString& window, const QStringList& keys) const {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(
            QStringLiteral("xdotool"),
            QStringList{QStringLiteral("windowfocus"), QStringLiteral("--sync"), window,
                        QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("100")} +
                keys);
        p.waitForFinished(5000);
    }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        return env;
    }

    static bool waitUntil(const std::function<bool()>& cond, int ms) {
        QElapsedTimer t;
        t.start();
        while (!cond()) {
            if (t.elapsed() > ms) {
                return false;
            }
            QThread::msleep(50);
        }
        return true;
    }

    QString display;
    QProcess server;
};

}  // namespace quorlin::test
