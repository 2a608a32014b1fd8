#include "app/Application.h"
#include "app/MainWindowAssembly.h"
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

int main(int argc, char* argv[]) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorlin"));

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
        quorlin::AppFolders(quorlin::resolveAppFolder()));

    if (!app.loadFrame()) {
        return 0;
    }
    quorlin::MainWindowAssembly main(app);
    app.frame().setMainWindow(&main.window());
    app.frame().show();
    return QApplication::exec();
}
