#pragma once

#include <QObject>

#include <functional>
#include <vector>

namespace quorlin {

// The one guard against re-entrancy. The program has one thread and its handlers expect to
// run to the end before the next event, but Qt's modal boxes and dialogs spin a nested event
// loop, and a serial port may find bytes in the middle of one of its own calls. So:
// - every event source (a serial port's receive and line-lost events, the reply watchdog's
//   tick) raises its event through an Entry, and the event's handler runs holding the gate;
// - every modal box, dialog and handler that must finish first takes a Hold;
// - an event raised while any Hold lives waits (once per Entry, however often it is raised)
//   and runs from the event loop after the last Hold has ended.
// Hence no event runs inside another event, inside a box opened from one, or inside a call
// that holds the gate. When nothing waits, releasing the gate costs nothing.
class EventGate : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    ~EventGate() override;

    bool isOpen() const { return depth_ == 0; }

    class Hold {
      public:
        explicit Hold(EventGate& gate) : gate_(gate) { ++gate_.depth_; }
        ~Hold() { gate_.release(); }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

      private:
        EventGate& gate_;
    };

    // One kind of event of one source.
    class Entry {
      public:
        Entry(EventGate& gate, std::function<void()> handler);
        ~Entry();
        Entry(const Entry&) = delete;
        Entry& operator=(const Entry&) = delete;

        // Runs the handler now when the gate is open, otherwise once it opens.
        void raise();
        // Runs the handler from the event loop, never inside the caller.
        void raiseLater();
        // Forgets a raise that still waits.
        void cancel();
        bool isWaiting() const { return waiting_; }

      private:
        friend class EventGate;
        void run();

        EventGate& gate_;
        std::function<void()> handler_;
        bool waiting_ = false;
    };

  private:
    void release();
    void wait(Entry& entry);
    void scheduleFlush();
    void flush();

    int depth_ = 0;
    std::vector<Entry*> waiting_;
    bool flushQueued_ = false;
    bool flushing_ = false;
};

}  // namespace quorlin
