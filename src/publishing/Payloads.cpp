#include "publishing/Payloads.h"

#include "common/DateText.h"
#include "common/NumberText.h"

#include <cmath>

namespace quorlin {

QByteArray jsonNumber(double value) {
    if (!std::isfinite(value)) {
        return QByteArrayLiteral("null");
    }
    return displayNumberText(value).toLatin1();
}

QByteArray jsonString(const QString& text) {
    QByteArray out;
    out.reserve(text.size() + 2);
    out += '"';
    for (const char c : text.toUtf8()) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            static const char hex[] = "0123456789abcdef";
            out += "\\u00";
            out += hex[u >> 4];
            out += hex[u & 0xF];
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

namespace {
template <typename T, typename F>
void appendArray(QByteArray& out, const PerChannel<T>& items, F format) {
    out += '[';
    for (int k = 0; k < kChannelCount; ++k) {
        if (k > 0) {
            out += ',';
        }
        out += format(items[k]);
    }
    out += ']';
}

const char* stateName(PublishState state) {
    switch (state) {
        case PublishState::Sampling:
            return "sampling";
        case PublishState::Stopped:
            return "stopped";
        case PublishState::Reconnecting:
            return "reconnecting";
        case PublishState::Offline:
            break;
    }
    return "offline";
}

QByteArray jsonBool(bool value) {
    return value ? QByteArrayLiteral("true") : QByteArrayLiteral("false");
}
}  // namespace

QByteArray scanPayload(const ScanMessage& scan) {
    QByteArray out;
    out.reserve(400);
    out += "{\"time\":";
    out += jsonString(isoDateTimeText(scan.time));
    out += ",\"t\":";
    out += jsonNumber(leadingNumber(scan.elapsedText));
    out += ",\"volts\":";
    appendArray(out, scan.volts, jsonNumber);
    out += ",\"values\":";
    appendArray(out, scan.values, jsonNumber);
    out += ",\"units\":";
    appendArray(out, scan.units, jsonString);
    out += ",\"active\":";
    appendArray(out, scan.active, jsonBool);
    out += '}';
    return out;
}

QByteArray statusPayload(PublishState state, const QDateTime& since) {
    return QByteArrayLiteral("{\"state\":\"") + stateName(state) +
           QByteArrayLiteral("\",\"since\":") + jsonString(isoDateTimeText(since)) + '}';
}

QByteArray healthPayload(const HealthMessage& h) {
    QByteArray out = "{\"time\":" + jsonString(isoDateTimeText(h.time));
    out += ",\"runSeconds\":" + QByteArray::number(h.runSeconds);
    out += ",\"scansPerSecond\":";
    out += h.scansPerSecond < 0 ? QByteArrayLiteral("null")
                                : jsonNumber(std::round(h.scansPerSecond * 10) / 10);
    out += ",\"scans\":" + QByteArray::number(h.scans);
    out += ",\"repeatedReplies\":" + QByteArray::number(h.repeats);
    out += ",\"reconnects\":" + QByteArray::number(h.reconnects);
    out += ",\"recording\":" + jsonBool(h.recording);
    out += ",\"rowsWritten\":" + QByteArray::number(h.rowsWritten);
    out += ",\"rowsFailing\":" + jsonBool(h.rowsFailing);
    out += ",\"sent\":" + QByteArray::number(h.sent);
    out += ",\"dropped\":" + QByteArray::number(h.dropped);
    out += '}';
    return out;
}

}  // namespace quorlin
