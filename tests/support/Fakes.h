#pragma once

// In-memory stand-ins for the platform interfaces: scripted, recording, no window, no device.

#include "common/AppError.h"
#include "common/ErrorHandler.h"
#include "platform/Chart.h"
#include "platform/Clock.h"
#include "platform/ColourDialog.h"
#include "platform/EventGate.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/SerialPort.h"
#include "platform/SettingsStore.h"
#include "platform/Timer.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace quorlin::test {

// A scriptable serial port. feed() queues bytes as if they arrived on the line and raises
// onComm() when the threshold is reached: synchronously, or through the gate when one is
// given (then an event fed inside another one waits, as on the real port).
class FakeSerialPort : public SerialPort {
    Q_OBJECT
  public:
    explicit FakeSerialPort(EventGate* gate = nullptr);
    ~FakeSerialPort() override {
        if (onDestroy) {
            onDestroy(*this);
        }
    }
    void setCommPort(qint16 port) override;
    qint16 commPort() const override { return port_; }
    void setSettings(const QString& s) override { settings_ = s; }
    void setInputLen(qint16 length) override { inputLen_ = length; }
    bool isOpen() const override { return open_; }
    void setPortOpen(bool open) override;
    void output(const QByteArray& bytes) override;
    QByteArray input() override;
    void setRThreshold(qint16 n) override { threshold_ = n; }
    int commEvent() const override { return event_; }
    QString deviceName() const override { return device; }

    // Test controls.
    QString device;
    void feed(const QByteArray& bytes);         // arrive, and raise onComm when due
    void feedQuietly(const QByteArray& bytes);  // arrive without any event
    void raiseLineLost();                       // the device went away
    void failOpen(qint32 number = ErrorNumber::InvalidPortNumber,
                  const QString& description = QStringLiteral("Invalid Port Number"));
    void openNormally() { openFailure_.reset(); }
    void failOutput(qint32 number = ErrorNumber::DeviceNotOpen,
                    const QString& description = QStringLiteral("Port not open"));
    std::function<void(const QByteArray&)> onOutput;  // called after each write
    // Called as the owner destroys the port (a port the engine owns ends with the engine).
    std::function<void(const FakeSerialPort&)> onDestroy;

    QByteArray written() const { return written_; }
    void clearWritten() { written_.clear(); }
    const QString& settings() const { return settings_; }
    qint16 inputLen() const { return inputLen_; }
    qint16 threshold() const { return threshold_; }
    int openCount() const { return openCount_; }
    int closeCount() const { return closeCount_; }
    QByteArray pending() const { return pending_; }

  private:
    qint16 port_ = 0;
    QString settings_;
    qint16 inputLen_ = 1;
    qint16 threshold_ = 0;
    bool open_ = false;
    int event_ = CommEvent::None;
    QByteArray pending_;
    QByteArray written_;
    int openCount_ = 0;
    int closeCount_ = 0;
    std::optional<AppError> openFailure_;
    std::optional<AppError> outputFailure_;
    std::optional<EventGate::Entry> receive_;
    std::optional<EventGate::Entry> lineLost_;
};

class FakeSerialPortFactory : public SerialPortFactory {
  public:
    std::unique_ptr<SerialPort> create() override;
    std::vector<FakeSerialPort*> created;  // owned by whoever took them
};

// A clock that moves only when told, or by autoAdvanceMs on every tickMs() read (so a busy
// wait ends).
class FakeClock : public Clock {
  public:
    qint64 tickMs() override {
        const qint64 t = ms;
        ms += autoAdvanceMs;
        ++tickReads;
        return t;
    }
    qint64 counter() override { return counterValue; }
    qint64 counterFrequency() override { return frequency; }
    QDateTime localNow() override { return now; }
    void sleepMs(qint64 duration) override {
        ms += duration;
        slept += duration;
    }

    qint64 ms = 1000;
    qint64 slept = 0;  // milliseconds asked of sleepMs
    qint64 autoAdvanceMs = 0;
    qint64 counterValue = 0;
    qint64 frequency = 1000000;
    QDateTime now = QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9));
    int tickReads = 0;
};

// Records every box; answers Retry/Cancel from a script (Retry when the script is empty).
class RecordingMessageBox : public MessageBox {
  public:
    void showOk(const QString& text) override {
        okTexts.append(text);
        all.append(text);
        if (onShow) {
            onShow(text);
        }
    }
    bool showRetryCancel(const QString& text) override {
        retryCancelTexts.append(text);
        all.append(text);
        if (onShow) {
            onShow(text);
        }
        if (answers.empty()) {
            return true;
        }
        const bool retry = answers.front();
        answers.pop_front();
        return retry;
    }

    QStringList okTexts;
    QStringList retryCancelTexts;
    QStringList all;
    std::deque<bool> answers;  // true = Retry
    std::function<void(const QString&)> onShow;
};

class MemorySettingsStore : public SettingsStore {
  public:
    QString value(const QString& section, const QString& key, const QString& def) override {
        return values.value(section + u'/' + key, def);
    }
    void setValue(const QString& section, const QString& key, const QString& value) override {
        values.insert(section + u'/' + key, value);
    }
    QMap<QString, QString> values;  // "Section/Key"
};

struct ReportedError {
    qint32 number;
    QString source;
    QString screen;
    QString description;
    bool boxShown = true;  // false for an entry only logged
};

class RecordingErrorHandler : public ErrorHandler {
  public:
    void SimpleErrorHandler(qint32 number, const QString& source, const QString& screen,
                            const QString& description) override {
        reports.push_back({number, source, screen, description});
    }
    void LogError(qint32 number, const QString& source, const QString& screen,
                  const QString& description) override {
        reports.push_back({number, source, screen, description, false});
    }
    std::vector<ReportedError> reports;
    QStringList sources() const {
        QStringList s;
        for (const auto& r : reports) {
            s.append(r.source);
        }
        return s;
    }
};

// Records every chart operation as text ("clear", "caption Volts", "append 1 0.25 1.5", ...).
class RecordingChart : public Chart {
  public:
    void clear() override;
    void setYCaption(const QString& caption) override;
    void setYMaximum(double value) override;
    void setYMinimum(double value) override;
    void setXRange(double minimum, double maximum) override;
    void setXAutoRange() override;
    void setPlotVisible(int plot, bool visible) override;
    void setPlotColour(int plot, ColourValue colour) override;
    ColourValue backgroundColour() const override { return background; }
    void setBackgroundColour(ColourValue colour) override;
    void replacePlotData(int plot, std::shared_ptr<const PointTable> table) override;
    void appendPoint(int plot, double x, double y) override;

    QStringList calls;
    QString yCaption;
    double yMin = -5, yMax = 5, xMin = 0, xMax = 10;
    bool xAuto = true;
    bool visible[9] = {true, true, true, true, true, true, true, true, true};
    ColourValue colour[9] = {};
    ColourValue background = 0;
    // Points per plot as the plot would show them (appended or from the replaced table).
    std::vector<std::pair<double, double>> points(int plot) const;
    std::shared_ptr<const PointTable> table[9];
    std::vector<std::pair<double, double>> appended[9];
    std::function<void(int)> failReplace;  // throw from here to simulate a refusing chart
};

class FakeFileDialog : public FileDialog {
  public:
    QString showSave(const FileDialogRequest& r) override { return answer(r, true); }
    QString showOpen(const FileDialogRequest& r) override { return answer(r, false); }

    std::deque<QString> answers;  // empty string = cancel; no answer left = cancel
    std::vector<FileDialogRequest> requests;
    std::vector<bool> wasSave;

  private:
    QString answer(const FileDialogRequest& r, bool save) {
        requests.push_back(r);
        wasSave.push_back(save);
        if (answers.empty()) {
            return {};
        }
        QString a = answers.front();
        answers.pop_front();
        return a;
    }
};

class FakeColourDialog : public ColourDialog {
  public:
    ColourValue choose(ColourValue current) override {
        ++shown;
        return answer.value_or(current);
    }
    std::optional<ColourValue> answer;  // nullopt = cancelled
    int shown = 0;
};

class FakeTimer : public OneShotTimer {
    Q_OBJECT
  public:
    void start(int ms) override {
        active_ = true;
        interval = ms;
        ++starts;
    }
    void stop() override { active_ = false; }
    bool isActive() const override { return active_; }
    void fire() {
        active_ = false;
        emit timeout();
    }
    int interval = 0;
    int starts = 0;

  private:
    bool active_ = false;
};

class FakeTimerFactory : public TimerFactory {
  public:
    std::unique_ptr<OneShotTimer> create() override;
    std::vector<FakeTimer*> created;
};

}  // namespace quorlin::test
