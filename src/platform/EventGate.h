#pragma once

#include <QObject>

namespace quorlin {

// Keeps port events from running inside another port event or inside a modal box: Qt's
// modal boxes spin a nested event loop, the system's design has none. While any Hold lives,
// ports keep their events back and raise them once the gate opens again.
class EventGate : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    bool isOpen() const { return depth_ == 0; }

    class Hold {
      public:
        explicit Hold(EventGate& gate) : gate_(gate) { ++gate_.depth_; }
        ~Hold() {
            if (--gate_.depth_ == 0) {
                emit gate_.opened();
            }
        }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

      private:
        EventGate& gate_;
    };

  signals:
    // Connect with Qt::QueuedConnection so held-back events run after the holder returns.
    void opened();

  private:
    int depth_ = 0;
};

}  // namespace quorlin
