#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace quorlin::test {

// Runs the event loop until the condition holds or the deadline passes.
inline bool waitUntil(const std::function<bool()>& condition, int deadlineMs = 30000) {
    QDeadlineTimer deadline(deadlineMs);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

// Counts the queued calls (posted meta-call events) that reach an object.
class MetaCallCounter : public QObject {
  public:
    explicit MetaCallCounter(QObject* target) { target->installEventFilter(this); }
    int count = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MetaCall) {
            ++count;
        }
        return false;
    }
};

// Runs what is already posted (queued deliveries, notifier passes) without waiting for time.
inline void runPendingEvents() {
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

// Calls `act` with the first modal widget that appears (polled from the nested event loop
// of the modal call that follows).
inline void whenModalAppears(const std::function<void(QWidget*)>& act) {
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            act(w);
        }
    });
    poll->start();
}

}  // namespace quorlin::test
