#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/MainWindowAssembly.h"
#include "app/TerminationSignal.h"
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
#include <QFileInfo>

#include <cstdio>

namespace {

// Prints to stdout; false when the text could not be written (a closed pipe, a full disk).
bool print(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    return std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout) ==
               static_cast<size_t>(bytes.size()) &&
           std::fflush(stdout) == 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    // Decided before QApplication exists: --help and --version need no display and must not
    // take the single-instance lock.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const QString programName = QFileInfo(arguments.value(0, QStringLiteral("quorlin"))).fileName();
    switch (quorlin::parseCommandLine(arguments)) {
        case quorlin::CommandLineAction::PrintVersion:
            return print(quorlin::versionText(programName)) ? 0 : 1;
        case quorlin::CommandLineAction::PrintHelp:
            return print(quorlin::helpText(programName)) ? 0 : 1;
        case quorlin::CommandLineAction::Run:
            break;
    }

    QApplication qapp(argc, argv);
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
