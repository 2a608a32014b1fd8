#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/HeadlessRun.h"
#include "app/MainWindowAssembly.h"
#include "app/TerminationSignal.h"
#include "common/DateText.h"
#include "display/MainWindow.h"
#include "platform/LockFileSingleInstance.h"
#include "platform/QtClock.h"
#include "platform/QtColourDialog.h"
#include "platform/QtFileDialog.h"
#include "platform/QtMessageBox.h"
#include "platform/QtSerialPort.h"
#include "platform/QtSettingsStore.h"
#include "platform/QtTimer.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

namespace {

// Prints to stdout; false when the text could not be written (a closed pipe, a full disk).
bool print(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    return std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout) ==
               static_cast<size_t>(bytes.size()) &&
           std::fflush(stdout) == 0;
}

bool printError(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    return std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr) ==
           static_cast<size_t>(bytes.size());
}

QString noDisplayText(const QString& programName) {
    return QStringLiteral(
               "%1: there is no display to open the window on (DISPLAY and "
               "WAYLAND_DISPLAY are not set); to record without a window, run "
               "'%1 --headless' (see '%1 --help')\n")
        .arg(programName);
}

QString programName;

// Qt ends a window start that finds no display with an abort; say what to do instead.
void onQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg && (message.contains(QLatin1String("platform plugin")) ||
                               message.contains(QLatin1String("could not connect to display")))) {
        printError(noDisplayText(programName));
        std::_Exit(quorlin::ExitCode::NoDisplay);
    }
    qt_message_output(type, context, message);
}

// A window needs a display: one named in the environment, or a platform chosen explicitly.
bool displayNamed(const QStringList& arguments) {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        if (!qEnvironmentVariableIsEmpty(name)) {
            return true;
        }
    }
    return arguments.contains(QStringLiteral("-platform")) ||
           arguments.contains(QStringLiteral("--platform")) ||
           arguments.filter(QStringLiteral("-platform=")).size() > 0;
}

// Qt's own warnings in a headless run: one line each, in the form of the run's other lines.
void onHeadlessQtMessage(QtMsgType type, const QMessageLogContext& context,
                         const QString& message) {
    if (type == QtDebugMsg || type == QtInfoMsg) {
        return;
    }
    printError(quorlin::generalDateTimeText(QDateTime::currentDateTime()) +
               QStringLiteral(" warning: ") + message + u'\n');
    if (type == QtFatalMsg) {
        qt_message_output(type, context, message);
    }
}

int runHeadless(int argc, char* argv[], const quorlin::HeadlessOptions& options) {
    // No window, no widget, no platform plugin: nothing looks for a display.
    qInstallMessageHandler(onHeadlessQtMessage);
    QCoreApplication qapp(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quorlin"));

    quorlin::HeadlessPlatform platform;
    platform.store = std::make_unique<quorlin::QtSettingsStore>();
    platform.clock = std::make_unique<quorlin::QtClock>();
    quorlin::HeadlessRun run(options, quorlin::AppFolders(quorlin::resolveAppFolder()),
                             std::move(platform));
    const quorlin::TerminationSignal stopSignals([&run] { run.stop(); }, {SIGTERM, SIGINT});
    QObject::connect(
        &run, &quorlin::HeadlessRun::finished, &qapp,
        [](int code) { QCoreApplication::exit(code); }, Qt::QueuedConnection);
    if (const int code = run.start(); code >= 0) {
        return code;
    }
    return QCoreApplication::exec();
}

}  // namespace

int main(int argc, char* argv[]) {
    // Decided before QApplication exists: --help and --version need no display and must not
    // take the single-instance lock.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    programName = QFileInfo(arguments.value(0, QStringLiteral("quorlin"))).fileName();
    const quorlin::CommandLine commandLine = quorlin::parseCommandLine(arguments);
    switch (commandLine.action) {
        case quorlin::CommandLineAction::PrintVersion:
            return print(quorlin::versionText(programName)) ? 0 : 1;
        case quorlin::CommandLineAction::PrintHelp:
            return print(quorlin::helpText(programName)) ? 0 : 1;
        case quorlin::CommandLineAction::UsageError:
            printError(programName + QStringLiteral(": ") + commandLine.error + u'\n' +
                       quorlin::usageLine(programName));
            return quorlin::ExitCode::Usage;
        case quorlin::CommandLineAction::RunHeadless:
            return runHeadless(argc, argv, commandLine.headless);
        case quorlin::CommandLineAction::Run:
            break;
    }
    // Decided before a QApplication exists: without a display Qt would abort.
    if (!displayNamed(arguments)) {
        printError(noDisplayText(programName));
        return quorlin::ExitCode::NoDisplay;
    }
    qInstallMessageHandler(onQtMessage);
    QApplication qapp(argc, argv);
    qInstallMessageHandler(nullptr);
    QApplication::setApplicationName(QStringLiteral("Quorlin"));
    // Lets the desktop match the windows to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(quorlin::applicationId());

    quorlin::Application app(
        [](quorlin::EventGate& gate, QWidget* frame) {
            quorlin::Platform p;
            p.store = std::make_unique<quorlin::QtSettingsStore>();
            p.clock = std::make_unique<quorlin::QtClock>();
            p.messageBox = std::make_unique<quorlin::QtMessageBox>(gate, frame);
            p.ports = std::make_unique<quorlin::QtSerialPortFactory>(*p.store, gate);
            p.instance = std::make_unique<quorlin::LockFileSingleInstance>();
            p.fileDialog = std::make_unique<quorlin::QtFileDialog>(gate, frame);
            p.colourDialog = std::make_unique<quorlin::QtColourDialog>(gate, frame);
            p.timers = std::make_unique<quorlin::QtTimerFactory>(gate);
            return p;
        },
        quorlin::AppFolders(quorlin::resolveAppFolder(), quorlin::shippedDefaultConfig()));

    if (!app.loadFrame()) {
        return 0;
    }
    // SIGTERM ends the program as Exit does: the run stops, its files are complete.
    const quorlin::TerminationSignal terminate([&app] { app.shutdown(); });
    quorlin::MainWindowAssembly main(app);
    app.frame().setMainWindow(&main.window());
    app.frame().show();
    return QApplication::exec();
}
