#include "support/Fakes.h"

namespace quorlin::test {

FakeSerialPort::FakeSerialPort(EventGate* gate) {
    if (gate != nullptr) {
        receive_.emplace(*gate, [this] {
            if (open_ && threshold_ > 0 && pending_.size() >= threshold_) {
                event_ = CommEvent::Receive;
                emit onComm();
            }
        });
        lineLost_.emplace(*gate, [this] {
            event_ = CommEvent::LineLost;
            emit onComm();
        });
    }
}

void FakeSerialPort::setCommPort(qint16 port) {
    if (open_) {
        throw AppError(ErrorNumber::PortAlreadyOpen, QStringLiteral("Port already open"));
    }
    port_ = port;
}

void FakeSerialPort::setPortOpen(bool open) {
    if (open == open_) {
        if (open) {
            throw AppError(ErrorNumber::PortAlreadyOpen, QStringLiteral("Port already open"));
        }
        return;
    }
    if (open) {
        if (openFailure_) {
            throw *openFailure_;
        }
        if (port_ < 1 || port_ > 16) {
            throw AppError(ErrorNumber::InvalidPortNumber, QStringLiteral("Invalid Port Number"));
        }
        ++openCount_;
        open_ = true;
    } else {
        ++closeCount_;
        open_ = false;
        pending_.clear();
    }
}

void FakeSerialPort::output(const QByteArray& bytes) {
    if (outputFailure_) {
        throw *outputFailure_;
    }
    if (!open_) {
        throw AppError(ErrorNumber::DeviceNotOpen,
                       QStringLiteral("Operation valid only when the port is open"));
    }
    written_ += bytes;
    if (onOutput) {
        onOutput(bytes);
    }
}

QByteArray FakeSerialPort::input() {
    if (!open_) {
        throw AppError(ErrorNumber::DeviceNotOpen,
                       QStringLiteral("Operation valid only when the port is open"));
    }
    QByteArray out = pending_;
    pending_.clear();
    return out;
}

void FakeSerialPort::feed(const QByteArray& bytes) {
    if (!open_) {
        return;
    }
    pending_ += bytes;
    if (threshold_ > 0 && pending_.size() >= threshold_) {
        if (receive_) {
            receive_->raise();
            return;
        }
        event_ = CommEvent::Receive;
        emit onComm();
    }
}

void FakeSerialPort::feedQuietly(const QByteArray& bytes) {
    if (open_) {
        pending_ += bytes;
    }
}

void FakeSerialPort::raiseLineLost() {
    open_ = false;
    pending_.clear();
    if (lineLost_) {
        lineLost_->raise();
        return;
    }
    event_ = CommEvent::LineLost;
    emit onComm();
}

void FakeSerialPort::failOpen(qint32 number, const QString& description) {
    openFailure_ = AppError(number, description);
}

void FakeSerialPort::failOutput(qint32 number, const QString& description) {
    outputFailure_ = AppError(number, description);
}

std::unique_ptr<SerialPort> FakeSerialPortFactory::create() {
    auto port = std::make_unique<FakeSerialPort>();
    created.push_back(port.get());
    return port;
}

void RecordingChart::clear() {
    calls.append(QStringLiteral("clear"));
    for (int p = 1; p <= 8; ++p) {
        table[p].reset();
        appended[p].clear();
    }
}
void RecordingChart::setYCaption(const QString& caption) {
    calls.append(QStringLiteral("caption ") + caption);
    yCaption = caption;
}
void RecordingChart::setYMaximum(double value) {
    calls.append(QStringLiteral("ymax %1").arg(value));
    yMax = value;
}
void RecordingChart::setYMinimum(double value) {
    calls.append(QStringLiteral("ymin %1").arg(value));
    yMin = value;
}
void RecordingChart::setXRange(double minimum, double maximum) {
    calls.append(QStringLiteral("xrange %1 %2").arg(minimum).arg(maximum));
    xMin = minimum;
    xMax = maximum;
    xAuto = false;
}
void RecordingChart::setXAutoRange() {
    calls.append(QStringLiteral("xauto"));
    xAuto = true;
}
void RecordingChart::setPlotVisible(int plot, bool v) {
    calls.append(QStringLiteral("visible %1 %2").arg(plot).arg(v ? 1 : 0));
    visible[plot] = v;
}
void RecordingChart::setPlotColour(int plot, ColourValue c) {
    calls.append(QStringLiteral("colour %1 %2").arg(plot).arg(c));
    colour[plot] = c;
}
void RecordingChart::setBackgroundColour(ColourValue c) {
    calls.append(QStringLiteral("background %1").arg(c));
    background = c;
}
void RecordingChart::replacePlotData(int plot, std::shared_ptr<const PointTable> t) {
    if (failReplace) {
        failReplace(plot);
    }
    calls.append(QStringLiteral("replace %1").arg(plot));
    table[plot] = std::move(t);
    appended[plot].clear();
}
void RecordingChart::appendPoint(int plot, double x, double y) {
    calls.append(QStringLiteral("append %1 %2 %3").arg(plot).arg(x).arg(y));
    appended[plot].emplace_back(x, y);
}

std::vector<std::pair<double, double>> RecordingChart::points(int plot) const {
    std::vector<std::pair<double, double>> out;
    if (table[plot]) {
        for (qint64 c = 0; c < table[plot]->columnCount(); ++c) {
            if (!std::isnan(table[plot]->x(c))) {
                out.emplace_back(table[plot]->x(c), table[plot]->y(c));
            }
        }
    }
    out.insert(out.end(), appended[plot].begin(), appended[plot].end());
    return out;
}

std::unique_ptr<OneShotTimer> FakeTimerFactory::create() {
    auto t = std::make_unique<FakeTimer>();
    created.push_back(t.get());
    return t;
}

}  // namespace quorlin::test
