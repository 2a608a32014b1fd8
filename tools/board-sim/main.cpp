// quorlin-board-sim: a simulated eight-channel board on a pseudo-terminal. Prints the device
// path, then answers until SIGINT/SIGTERM or "quit"; fault commands are read from stdin.
#include "BoardSim.h"
#include "Console.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <poll.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

using namespace quorlin::sim;

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 's';
    [[maybe_unused]] const auto r = ::write(signalPipe[1], &c, 1);
}

void say(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int usageError(const QString& text) {
    std::fprintf(stderr, "quorlin-board-sim: %s\n", text.toLocal8Bit().constData());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorlin-board-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "A simulated eight-channel board on a pseudo-terminal. Prints the device path, then "
            "answers reading requests until interrupted.\nWithout options it runs the demo.\n\n") +
        commandHelp());
    parser.addHelpOption();
    const QCommandLineOption link(QStringLiteral("link"),
                                  QStringLiteral("Make PATH a symbolic link to the device."),
                                  QStringLiteral("PATH"));
    const QCommandLineOption lineTiming(QStringLiteral("line-timing"),
                                        QStringLiteral("Answer at the pace of a 9600-baud line."));
    const QCommandLineOption conversion(
        QStringLiteral("conversion-us"),
        QStringLiteral("Conversion time before each reply, in microseconds."), QStringLiteral("N"),
        QStringLiteral("0"));
    const QCommandLineOption perSample(
        QStringLiteral("per-sample-us"),
        QStringLiteral("Extra conversion time per sample averaged, in microseconds."),
        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption source(
        QStringLiteral("source"),
        QStringLiteral("Source of channel CH (repeatable): const:RAW | ramp:START:STEP | "
                       "sine:CENTRE:AMPLITUDE:PERIOD | noise:CENTRE:SPREAD:SEED | "
                       "script:V1,V2,... | hold:V1,V2,... Readings are decimal or 0x hex; "
                       "0x2000 is 0 V. Other channels stay at 0x2000."),
        QStringLiteral("CH=SOURCE"));
    const QCommandLineOption demo(
        QStringLiteral("demo"),
        QStringLiteral("All eight channels moving, with line timing (the default without "
                       "options; --source then overrides single channels)."));
    parser.addOptions({link, lineTiming, conversion, perSample, source, demo});
    parser.process(app);
    if (!parser.positionalArguments().isEmpty()) {
        return usageError(QStringLiteral("unexpected argument \"%1\" (see --help)")
                              .arg(parser.positionalArguments().first()));
    }

    const bool configured = parser.isSet(lineTiming) || parser.isSet(conversion) ||
                            parser.isSet(perSample) || parser.isSet(source);
    const bool demoMode = parser.isSet(demo) || !configured;

    BoardSim board;
    if (demoMode) {
        const auto sources = demoSources();
        for (int ch = 0; ch < 8; ++ch) {
            board.setSource(ch, sources[static_cast<size_t>(ch)]);
        }
    }
    for (const QString& description : parser.values(source)) {
        QString error;
        const auto parsed = parseChannelSource(description, &error);
        if (!parsed) {
            return usageError(QStringLiteral("--source %1: %2").arg(description, error));
        }
        board.setSource(parsed->first, parsed->second);
    }
    Timing timing;
    timing.emulateLine = demoMode || parser.isSet(lineTiming);
    for (const auto& [option, target] : {std::pair{&conversion, &timing.conversionBase},
                                         std::pair{&perSample, &timing.conversionPerSample}}) {
        bool ok = false;
        const long long us = parser.value(*option).toLongLong(&ok);
        if (!ok || us < 0 || us > 60'000'000) {
            return usageError(
                QStringLiteral("--%1 needs microseconds 0..60000000").arg(option->names().first()));
        }
        *target = std::chrono::microseconds(us);
    }
    board.setTiming(timing);

    if (::pipe(signalPipe) != 0) {
        return usageError(QStringLiteral("cannot create the signal pipe"));
    }
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    if (!board.start(parser.value(link))) {
        std::fprintf(stderr, "quorlin-board-sim: %s\n",
                     board.errorString().toLocal8Bit().constData());
        return 1;
    }
    say(board.devicePath());
    std::fprintf(stderr, "quorlin-board-sim: answering on %s%s%s; type help for fault commands\n",
                 board.devicePath().toLocal8Bit().constData(), parser.isSet(link) ? " via " : "",
                 parser.value(link).toLocal8Bit().constData());

    // Stdin reaching its end (run from a script) leaves the board answering until a signal.
    bool stdinOpen = true;
    bool quit = false;
    QByteArray pending;
    while (!quit) {
        pollfd fds[2] = {{signalPipe[0], POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        const int n = ::poll(fds, stdinOpen ? 2 : 1, 1000);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        // Nobody reads the log in the program; keep its memory flat over long runs.
        board.clearLog();
        if (fds[0].revents) {
            break;
        }
        if (stdinOpen && fds[1].revents) {
            char buf[512];
            const ssize_t r = ::read(STDIN_FILENO, buf, sizeof buf);
            if (r <= 0) {
                stdinOpen = false;
                continue;
            }
            pending.append(buf, r);
            qsizetype nl;
            while (!quit && (nl = pending.indexOf('\n')) >= 0) {
                const QString line = QString::fromLocal8Bit(pending.left(nl));
                pending.remove(0, nl + 1);
                const QString answer = runCommand(board, line, &quit);
                if (!answer.isEmpty()) {
                    say(answer);
                }
            }
            if (pending.size() > 4096) {  // no command is that long
                pending.clear();
                say(QStringLiteral("error: line too long"));
            }
        }
    }
    board.stop();
    return 0;
}
