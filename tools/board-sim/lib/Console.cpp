#include "Console.h"

#include <QStringList>

#include <cmath>

namespace quorlin::sim {

namespace {

std::optional<long long> parseInteger(const QString& text) {
    QString t = text.trimmed();
    bool negative = false;
    if (t.startsWith(u'-') || t.startsWith(u'+')) {
        negative = t.startsWith(u'-');
        t.remove(0, 1);
    }
    bool ok = false;
    const qulonglong v = t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                             ? t.mid(2).toULongLong(&ok, 16)
                             : t.toULongLong(&ok, 10);
    if (!ok || v > 0x7FFFFFFFULL) {
        return std::nullopt;
    }
    return negative ? -static_cast<long long>(v) : static_cast<long long>(v);
}

std::optional<double> parseNumber(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

std::optional<Source> fail(QString* error, const QString& message) {
    if (error) {
        *error = message;
    }
    return std::nullopt;
}

}  // namespace

std::optional<uint16_t> parseRaw(const QString& text) {
    const auto v = parseInteger(text);
    if (!v || *v < 0 || *v > 0xFFFF || text.trimmed().startsWith(u'-')) {
        return std::nullopt;
    }
    return static_cast<uint16_t>(*v);
}

std::optional<Source> parseSource(const QString& description, QString* error) {
    const QStringList parts = description.split(u':');
    const QString kind = parts.value(0).trimmed().toLower();
    auto badRaw = [&](const QString& what) {
        return fail(error, QStringLiteral("%1 \"%2\" is not a reading 0..0xFFFF")
                               .arg(what, description.section(u':', 1)));
    };
    auto wantParts = [&](qsizetype n, const char* form) {
        if (parts.size() == n) {
            return true;
        }
        if (error) {
            *error = QStringLiteral("expected %1").arg(QLatin1String(form));
        }
        return false;
    };

    if (kind == QLatin1String("const")) {
        if (!wantParts(2, "const:RAW")) {
            return std::nullopt;
        }
        const auto raw = parseRaw(parts[1]);
        return raw ? std::optional(Source::constant(*raw)) : badRaw(QStringLiteral("value"));
    }
    if (kind == QLatin1String("ramp")) {
        if (!wantParts(3, "ramp:START:STEP")) {
            return std::nullopt;
        }
        const auto start = parseRaw(parts[1]);
        const auto step = parseInteger(parts[2]);
        if (!start || !step) {
            return fail(error, QStringLiteral("expected ramp:START:STEP with whole numbers"));
        }
        return Source::ramp(*start, static_cast<int>(*step));
    }
    if (kind == QLatin1String("sine") || kind == QLatin1String("noise")) {
        const bool sine = kind == QLatin1String("sine");
        if (!wantParts(4, sine ? "sine:CENTRE:AMPLITUDE:PERIOD" : "noise:CENTRE:SPREAD:SEED")) {
            return std::nullopt;
        }
        const auto centre = parseRaw(parts[1]);
        const auto size = parseNumber(parts[2]);
        if (!centre || !size) {
            return fail(
                error,
                QStringLiteral("expected a reading and a number in \"%1\"").arg(description));
        }
        if (sine) {
            const auto period = parseNumber(parts[3]);
            if (!period || *period <= 0) {
                return fail(error,
                            QStringLiteral("the period must be a number of readings above 0"));
            }
            return Source::sine(*centre, *size, *period);
        }
        const auto seed = parseInteger(parts[3]);
        if (!seed || *seed < 0) {
            return fail(error, QStringLiteral("the seed must be a whole number 0 or more"));
        }
        return Source::noise(*centre, *size, static_cast<uint32_t>(*seed));
    }
    if (kind == QLatin1String("script") || kind == QLatin1String("hold")) {
        if (!wantParts(2, "script:V1,V2,...")) {
            return std::nullopt;
        }
        std::vector<uint16_t> values;
        for (const QString& v : parts[1].split(u',')) {
            const auto raw = parseRaw(v);
            if (!raw) {
                return fail(error, QStringLiteral("\"%1\" is not a reading 0..0xFFFF").arg(v));
            }
            values.push_back(*raw);
        }
        return Source::scripted(std::move(values), kind == QLatin1String("script"));
    }
    return fail(
        error,
        QStringLiteral("unknown source \"%1\" (const, ramp, sine, noise, script, hold)").arg(kind));
}

std::optional<std::pair<int, Source>> parseChannelSource(const QString& text, QString* error) {
    const qsizetype eq = text.indexOf(u'=');
    bool ok = false;
    const int channel = text.left(eq).trimmed().toInt(&ok);
    if (eq < 0 || !ok || channel < 0 || channel > 7) {
        if (error) {
            *error = QStringLiteral("expected CH=SOURCE with CH 0..7, got \"%1\"").arg(text);
        }
        return std::nullopt;
    }
    auto source = parseSource(text.mid(eq + 1), error);
    if (!source) {
        return std::nullopt;
    }
    return std::pair{channel, std::move(*source)};
}

std::array<Source, 8> demoSources() {
    return {
        Source::sine(0x2000, 4000, 300),  // about 10 s per period with line timing
        Source::sine(0x2800, 2000, 120), Source::sine(0x1800, 1200, 600),
        Source::ramp(0x0000, 40),        Source::noise(0x2000, 300, 7),
        Source::sine(0x2000, 7000, 900), Source::noise(0x3000, 60, 42),
        Source::sine(0x1000, 600, 60),
    };
}

QString commandHelp() {
    return QStringLiteral(
        "commands (faults take an optional count, default 1):\n"
        "  wrong-marker [N]  next reply starts with 0xFE\n"
        "  short [N]         next reply is two bytes\n"
        "  long [N]          next reply is four bytes\n"
        "  split [N]         next reply comes in two pieces\n"
        "  stray [N]         a stray byte before the next reply\n"
        "  noise BYTES [N]   a burst of BYTES noise bytes before the next reply\n"
        "  drop [N]          no reply to the next request\n"
        "  delay MS [N]      next reply comes MS milliseconds late\n"
        "  silent            stop answering (requests are still logged)\n"
        "  resume            answer again\n"
        "  close             the device goes away, as a pulled adapter\n"
        "  unplug SECONDS    the device goes away and comes back on the same link after SECONDS\n"
        "  status            samples averaged and requests so far\n"
        "  quit              end the program");
}

QString runCommand(BoardSim& board, const QString& line, bool* quit) {
    const QStringList words = line.simplified().split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty()) {
        return {};
    }
    const QString cmd = words[0].toLower();
    auto count = [&](qsizetype at) -> std::optional<int> {
        if (words.size() <= at) {
            return 1;
        }
        bool ok = false;
        const int n = words[at].toInt(&ok);
        return ok && n > 0 && n <= 100000 ? std::optional(n) : std::nullopt;
    };

    auto forNext = [](int n) {
        return n == 1 ? QStringLiteral("the next reply")
                      : QStringLiteral("the next %1 replies").arg(n);
    };
    struct Simple {
        const char* name;
        Fault fault;
    };
    static const Simple kFaults[] = {
        {"wrong-marker", Fault::WrongMarker}, {"short", Fault::ShortReply},
        {"long", Fault::LongReply},           {"split", Fault::SplitReply},
        {"stray", Fault::StrayByteBefore},    {"drop", Fault::DropReply},
    };
    for (const Simple& f : kFaults) {
        if (cmd == QLatin1String(f.name)) {
            const auto n = count(1);
            if (!n || words.size() > 2) {
                return QStringLiteral("error: usage: %1 [COUNT]").arg(cmd);
            }
            board.injectFault(f.fault, *n);
            return QStringLiteral("ok: %1 for %2").arg(cmd, forNext(*n));
        }
    }
    if (cmd == QLatin1String("delay")) {
        bool ok = false;
        const int ms = words.value(1).toInt(&ok);
        const auto n = count(2);
        if (!ok || ms < 0 || !n || words.size() > 3) {
            return QStringLiteral("error: usage: delay MS [COUNT]");
        }
        board.setFaultDelay(std::chrono::milliseconds(ms));
        board.injectFault(Fault::DelayReply, *n);
        return QStringLiteral("ok: the next %1 %2 ms late")
            .arg(*n == 1 ? QStringLiteral("reply comes")
                         : QStringLiteral("%1 replies come").arg(*n))
            .arg(ms);
    }
    if (cmd == QLatin1String("noise")) {
        bool ok = false;
        const int bytes = words.value(1).toInt(&ok);
        const auto n = count(2);
        if (!ok || bytes < 1 || bytes > 4096 || !n || words.size() > 3) {
            return QStringLiteral("error: usage: noise BYTES [COUNT]");
        }
        board.setNoiseLength(bytes);
        board.injectFault(Fault::NoiseBefore, *n);
        return QStringLiteral("ok: %1 noise bytes before %2").arg(bytes).arg(forNext(*n));
    }
    if (cmd == QLatin1String("unplug")) {
        bool ok = false;
        const double seconds = words.value(1).toDouble(&ok);
        if (!ok || seconds < 0 || seconds > 86400 || words.size() != 2) {
            return QStringLiteral("error: usage: unplug SECONDS");
        }
        board.unplug(std::chrono::milliseconds(std::llround(seconds * 1000)));
        return QStringLiteral("ok: unplugged, the device comes back in %1 s").arg(words[1]);
    }
    if (words.size() > 1) {
        return QStringLiteral("error: %1 takes no arguments").arg(cmd);
    }
    if (cmd == QLatin1String("silent")) {
        board.setSilent(true);
        return QStringLiteral("ok: silent, requests are logged but not answered");
    }
    if (cmd == QLatin1String("resume")) {
        board.setSilent(false);
        return QStringLiteral("ok: answering again");
    }
    if (cmd == QLatin1String("close")) {
        board.closeLine();
        return QStringLiteral("ok: line closed, the device is gone");
    }
    if (cmd == QLatin1String("status")) {
        return QStringLiteral("ok: %1, samples averaged %2, %3 bytes received")
            .arg(board.isRunning()     ? QStringLiteral("running")
                 : board.isUnplugged() ? QStringLiteral("unplugged")
                                       : QStringLiteral("closed"))
            .arg(board.samplesAveraged())
            .arg(board.totalReceived());
    }
    if (cmd == QLatin1String("help")) {
        return commandHelp();
    }
    if (cmd == QLatin1String("quit")) {
        if (quit) {
            *quit = true;
        }
        return QStringLiteral("ok: quitting");
    }
    return QStringLiteral("error: unknown command \"%1\" (try help)").arg(cmd);
}

}  // namespace quorlin::sim
