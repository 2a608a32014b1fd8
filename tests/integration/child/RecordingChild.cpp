// The whole program in a process of its own, recording while it samples, for a parent test
// that kills it. Usage: quorlin_recording_child <device> <data file>
// The device is a board the parent owns. Prints "recording <application folder>" once
// sampling runs, then runs the event loop until it is killed.

#include "support/AppHarness.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv) {
    using namespace quorlin;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <device> <data file>\n", argv[0]);
        return 2;
    }
    test::AppHarness h({.startBoard = false, .devicePath = QString::fromLocal8Bit(argv[1])});
    h.writeDefaultConfig({});
    if (!h.start()) {
        std::fprintf(stderr, "start-up failed\n");
        return 1;
    }
    h.activate();
    h.files->answers = {QString::fromLocal8Bit(argv[2])};
    h.trigger(h.model().mnuSave);
    h.trigger(h.model().mnuSample);
    if (!h.settings().DataFileInUse || !h.engine().isSampling() || !h.box->all.isEmpty()) {
        std::fprintf(stderr, "not recording: %s\n", qPrintable(h.box->all.join(u'|')));
        return 1;
    }
    std::printf("recording %s\n", qPrintable(h.appFolder()));
    std::fflush(stdout);
    return QApplication::exec();
}
