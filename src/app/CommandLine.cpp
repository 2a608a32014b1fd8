#include "app/CommandLine.h"

#include "app/Version.h"

#include <cmath>

namespace quorlin {

namespace {

// Qt's own options that take a value, and those that do not; they reach QApplication as given.
const QStringList kQtValueOptions = {QStringLiteral("platform"),
                                     QStringLiteral("platformpluginpath"),
                                     QStringLiteral("platformtheme"),
                                     QStringLiteral("plugin"),
                                     QStringLiteral("qwindowgeometry"),
                                     QStringLiteral("qwindowicon"),
                                     QStringLiteral("qwindowtitle"),
                                     QStringLiteral("session"),
                                     QStringLiteral("style"),
                                     QStringLiteral("stylesheet"),
                                     QStringLiteral("display"),
                                     QStringLiteral("geometry"),
                                     QStringLiteral("title"),
                                     QStringLiteral("name"),
                                     QStringLiteral("fn"),
                                     QStringLiteral("font"),
                                     QStringLiteral("bg"),
                                     QStringLiteral("background"),
                                     QStringLiteral("fg"),
                                     QStringLiteral("foreground"),
                                     QStringLiteral("btn"),
                                     QStringLiteral("button"),
                                     QStringLiteral("visual"),
                                     QStringLiteral("ncols"),
                                     QStringLiteral("cmap"),
                                     QStringLiteral("im"),
                                     QStringLiteral("inputstyle")};
const QStringList kQtFlags = {QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                              QStringLiteral("nograb"), QStringLiteral("dograb"),
                              QStringLiteral("sync")};

// "-name" or "--name" without a value part: the bare name, else empty.
QString optionName(const QString& a) {
    if (a.startsWith(u"--")) {
        return a.mid(2).section(u'=', 0, 0);
    }
    return a.startsWith(u'-') && a.size() > 1 ? a.mid(1) : QString();
}

class Parser {
  public:
    explicit Parser(const QStringList& args) : args_(args) {}

    CommandLine run() {
        CommandLine result;
        QStringList headlessOnly;
        for (i_ = 1; i_ < args_.size(); ++i_) {
            const QString& a = args_[i_];
            if (a == u"--") {
                break;
            }
            if (a == u"--help" || a == u"-h" || a == u"-?") {
                return informational(CommandLineAction::PrintHelp);
            }
            if (a == u"--version" || a == u"-v") {
                return informational(CommandLineAction::PrintVersion);
            }
            const QString name = optionName(a);
            if (name.isEmpty()) {
                return usage(QStringLiteral("unexpected argument '%1'").arg(a));
            }
            if (a.startsWith(u"--") && !qtOption(name)) {
                if (!headlessOption(name, a, result.headless)) {
                    return error_.isEmpty() ? usage(QStringLiteral("unknown option '%1'").arg(a))
                                            : usage(error_);
                }
                if (name == u"headless") {
                    headless_ = true;
                } else {
                    headlessOnly << QStringLiteral("--") + name;
                }
                continue;
            }
            if (!qtOption(name)) {
                return usage(QStringLiteral("unknown option '%1'").arg(a));
            }
            if (kQtValueOptions.contains(name) && !a.contains(u'=')) {
                ++i_;  // the option's value
            }
        }
        if (!error_.isEmpty()) {
            return usage(error_);
        }
        if (!headless_ && !headlessOnly.isEmpty()) {
            return usage(QStringLiteral("%1 needs --headless").arg(headlessOnly.first()));
        }
        if (headless_ && result.headless.port != 0 && !result.headless.device.isEmpty()) {
            return usage(QStringLiteral("--port and --device exclude each other"));
        }
        if (result.headless.daily && result.headless.dataFile.isEmpty()) {
            return usage(QStringLiteral("--daily needs --data-file"));
        }
        result.action = headless_ ? CommandLineAction::RunHeadless : CommandLineAction::Run;
        return result;
    }

  private:
    // --help and --version win wherever they stand, as long as nothing before them was wrong.
    CommandLine informational(CommandLineAction action) {
        CommandLine c;
        c.action = error_.isEmpty() ? action : CommandLineAction::UsageError;
        c.error = error_;
        return c;
    }

    static CommandLine usage(const QString& what) {
        CommandLine c;
        c.action = CommandLineAction::UsageError;
        c.error = what;
        return c;
    }

  public:
    // The option's value, read as its table row asks (a bad value is noted in error_).
    bool number(const QString& a, double min, double max, double& out);
    bool whole(const QString& a, int min, int max, int& out);
    bool text(const QString& a, QString& out);

  private:
    static bool qtOption(const QString& name) {
        return kQtValueOptions.contains(name) || kQtFlags.contains(name);
    }

    // The value of the option at i_: after "=", or the next argument.
    bool value(const QString& a, QString& out) {
        const qsizetype eq = a.indexOf(u'=');
        if (eq >= 0) {
            out = a.mid(eq + 1);
            return true;
        }
        if (i_ + 1 >= args_.size()) {
            fail(QStringLiteral("%1 needs a value").arg(a));
            return false;
        }
        out = args_[++i_];
        return true;
    }

    // True when `name` is one of the headless options (a bad value is noted in error_).
    bool headlessOption(const QString& name, const QString& a, HeadlessOptions& o);

    void fail(const QString& what) {
        if (error_.isEmpty()) {
            error_ = what;
        }
    }

    const QStringList& args_;
    qsizetype i_ = 1;
    bool headless_ = false;
    QString error_;
};

bool Parser::number(const QString& a, double min, double max, double& out) {
    QString text;
    if (!value(a, text)) {
        return false;
    }
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < min || v > max) {
        fail(QStringLiteral("%1: bad number '%2'").arg(a.section(u'=', 0, 0), text));
        return false;
    }
    out = v;
    return true;
}

bool Parser::whole(const QString& a, int min, int max, int& out) {
    double v = 0;
    if (!number(a, min, max, v)) {
        return false;
    }
    if (v != std::floor(v)) {
        fail(QStringLiteral("%1: bad number '%2'").arg(a.section(u'=', 0, 0)).arg(v));
        return false;
    }
    out = static_cast<int>(v);
    return true;
}

bool Parser::text(const QString& a, QString& out) {
    if (!value(a, out)) {
        return false;
    }
    if (out.isEmpty()) {
        fail(QStringLiteral("%1 needs a value").arg(a.section(u'=', 0, 0)));
        return false;
    }
    return true;
}

// A publishing option's value is kept as given; the run checks them together when it starts.
bool mqttOption(Parser& p, const QString& a, HeadlessOptions& o) {
    QString value;
    if (!p.text(a, value)) {
        return false;
    }
    o.mqtt.append({a.section(u'=', 0, 0), value});
    return true;
}

// The headless options, one row each: how the value is read and what --help says of it (a
// line break in the text continues it under the first line). A new option is a new row.
struct OptionRow {
    const char* name;       // without the dashes
    const char* valueName;  // null: the option takes no value
    const char* help;
    bool (*read)(Parser& p, const QString& a, HeadlessOptions& o);
};

const OptionRow kHeadlessOptions[] = {
    {"headless", nullptr, "run without a window (the options below need it)",
     [](Parser&, const QString&, HeadlessOptions&) { return true; }},
    {"config", "FILE",
     "configuration file to use\n(default: the application folder's Logs/Default.cfg)",
     [](Parser& p, const QString& a, HeadlessOptions& o) { return p.text(a, o.configFile); }},
    {"port", "N",
     "port number 1-16, as the window's Comm Port uses it\n(default: the stored current port)",
     [](Parser& p, const QString& a, HeadlessOptions& o) {
         int port = 0;
         const bool ok = p.whole(a, 1, 16, port);
         o.port = static_cast<qint16>(port);
         return ok;
     }},
    {"device", "PATH", "the serial device itself, e.g. /dev/serial/by-id/...",
     [](Parser& p, const QString& a, HeadlessOptions& o) { return p.text(a, o.device); }},
    {"data-file", "PATH", "record every scan to this data file (default: none)",
     [](Parser& p, const QString& a, HeadlessOptions& o) { return p.text(a, o.dataFile); }},
    {"daily", nullptr,
     "a new data file at each local midnight, named\nNAME-YYYY-MM-DD.csv from the data file's name",
     [](Parser&, const QString&, HeadlessOptions& o) { return o.daily = true; }},
    {"interval", "MS", "at most one row per MS milliseconds (default 0:\nevery scan)",
     [](Parser& p, const QString& a, HeadlessOptions& o) {
         return p.number(a, 0, 1e12, o.intervalMs);
     }},
    {"peak", nullptr, "track peaks; Logs/Peak.csv is written at the end",
     [](Parser&, const QString&, HeadlessOptions& o) { return o.peak = true; }},
    {"duration", "SECONDS", "end by itself after that long (default: run until\nSIGTERM or SIGINT)",
     [](Parser& p, const QString& a, HeadlessOptions& o) {
         return p.number(a, 0.001, 1e9, o.durationSeconds);
     }},
    {"status-every", "SECONDS",
     "one status line with the run's health that often\n(default 60, 0: none)",
     [](Parser& p, const QString& a, HeadlessOptions& o) {
         return p.whole(a, 0, 1000000, o.statusEverySeconds);
     }},
    {"mqtt", "URL",
     "publish every scan to an MQTT broker:\nmqtt://host[:port], mqtts://host[:port] for TLS",
     mqttOption},
    {"mqtt-topic", "PREFIX", "topic prefix (default quorlin/<host name>)", mqttOption},
    {"mqtt-every", "MS", "at most one scan message per MS milliseconds\n(default 0: every scan)",
     mqttOption},
    {"mqtt-qos", "0|1", "quality of service of the messages (default 0)", mqttOption},
    {"mqtt-cafile", "FILE", "certificate authorities to trust for mqtts://", mqttOption},
    {"mqtt-credentials", "FILE", "user name and password on two lines, readable by\nits owner only",
     mqttOption},
};

bool Parser::headlessOption(const QString& name, const QString& a, HeadlessOptions& o) {
    for (const OptionRow& row : kHeadlessOptions) {
        if (name != QLatin1String(row.name)) {
            continue;
        }
        if (!row.valueName && a.contains(u'=')) {
            fail(QStringLiteral("--%1 takes no value").arg(name));
            return false;
        }
        return row.read(*this, a, o);
    }
    return false;
}

// The Options lines of --help for the headless options, from their table.
QString headlessOptionsHelp() {
    constexpr qsizetype kColumn = 25;
    QString out;
    for (const OptionRow& row : kHeadlessOptions) {
        QString head = QStringLiteral("  --") + QLatin1String(row.name);
        if (row.valueName) {
            head += u' ' + QLatin1String(row.valueName);
        }
        const QStringList lines = QString::fromLatin1(row.help).split(u'\n');
        out += head.leftJustified(kColumn - 1) + u' ' + lines.first() + u'\n';
        for (const QString& line : lines.mid(1)) {
            out += QString(kColumn, u' ') + line + u'\n';
        }
    }
    return out;
}

}  // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    return Parser(arguments).run();
}

QString versionText(const QString& programName) {
    return programName + u' ' + BuildVersionText() + u'\n';
}

QString usageLine(const QString& programName) {
    return QStringLiteral(
               "Usage: %1 [--help | --version]\n"
               "       %1 --headless [--config FILE] [--port N | --device PATH]\n"
               "          [--data-file PATH [--daily]] [--interval MS] [--peak]\n"
               "          [--duration SECONDS] [--status-every SECONDS]\n"
               "          [--mqtt URL [--mqtt-topic PREFIX] [--mqtt-every MS] [--mqtt-qos 0|1]\n"
               "           [--mqtt-cafile FILE] [--mqtt-credentials FILE]]\n")
        .arg(programName);
}

QString helpText(const QString& programName) {
    return usageLine(programName) +
           QStringLiteral(
               "\n"
               "Acquires data from an eight-channel analog input board over a serial port,\n"
               "shows it on a strip chart and records it in comma-separated data files.\n"
               "Started without options it opens its window; a second instance is refused.\n"
               "With --headless it runs one acquisition without a window or a display, for\n"
               "a service or a batch run, and logs one line per event on stderr.\n"
               "\n"
               "Options:\n"
               "  -h, --help             print this text and exit\n"
               "  -v, --version          print the version and exit\n") +
           headlessOptionsHelp() +
           QStringLiteral(
               "\n"
               "Exit codes:\n"
               "  0   the run ended as asked (--duration, SIGTERM, SIGINT, Exit)\n"
               "  1   the run could not go on; the line before says why\n"
               "  2   the configuration file is missing, unreadable or not a configuration\n"
               "      file (the line names the file and the line number), or a publishing\n"
               "      option is wrong (the line names the option)\n"
               "  3   the data file's folder or the application folder is missing or not\n"
               "      writable\n"
               "  64  an unknown option or a bad value\n"
               "  69  the window was asked for where there is no display (use --headless)\n"
               "  75  another headless run holds the device\n"
               "\n"
               "Files:\n"
               "  application folder  the folder of the program file when it is writable and\n"
               "                      not an installed program, else the per-user data folder\n"
               "                      (~/.local/share/Quorlin); it holds \"Data Files/\" and\n"
               "                      \"Logs/\" (Default.cfg, Peak.csv, error.log)\n"
               "  settings store      $XDG_CONFIG_HOME/QRL/QRL.ini (~/.config/QRL/QRL.ini):\n"
               "                      [Startup] CurrentCommPort, [Ports] <n>=<device>\n");
}

}  // namespace quorlin
