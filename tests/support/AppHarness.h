#pragma once

// The whole program in-process against the simulated board: the real serial port, clock and
// timers, the real main window and chart, and recording stand-ins for message boxes, file and
// colour dialogs and the settings store. The application folder is a fresh temporary folder.

#include "BoardSim.h"
#include "app/Application.h"
#include "app/MainWindowAssembly.h"
#include "support/Fakes.h"

#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

namespace quorlin::test {

struct AppHarnessOptions {
    bool realChart = true;  // QCustomPlot chart; false: a RecordingChart
    qint16 port = 1;        // stored port number bound to the simulated board
    bool startBoard = true;
    // Without a board of its own: the device bound to `port` (a board another process owns).
    QString devicePath{};
    // Makes a file durable in place of fdatasync (empty: fdatasync).
    std::function<bool(const QString&)> syncFile{};
    // Keeps every byte the program writes and reads with its time; off for long runs, whose
    // logs would grow without end.
    bool timedBytes = true;
    // The board is reached through a symbolic link in the application folder (which it
    // keeps across an unplug), and the port is bound to the link.
    bool boardLink = false;
};

class AppHarness {
  public:
    explicit AppHarness(AppHarnessOptions options = {});
    ~AppHarness();

    // Starts the board, binds the port, runs the frame load and builds the main window.
    // Does not activate the main window: call activate() (or show()).
    bool start();
    // The main window activation (layout, samples-averaged command pair, caption, colours).
    void activate();
    // Shows the frame offscreen, which activates the main window through the frame.
    void show();

    // Processes events until cond() holds or the timeout passes. The timeout only ends a
    // wait that failed, so it is generous: a busy machine may take long to get there.
    bool waitFor(const std::function<bool()>& cond,
                 std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // Processes events until the board has received and handled every byte the program
    // wrote: what the board logged is then all there will be from the writes so far.
    bool waitForBoardToCatchUp(std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // Processes events for a while.
    void pump(std::chrono::milliseconds duration);

    // Writes settings (all channels active unless told otherwise) as the default
    // configuration file, so the frame load reads them. Call before start().
    void writeDefaultConfig(const std::function<void(SettingsModel&)>& edit);

    // Menu commands as the operator would choose them. Returns once the engine has handled
    // what the command sent it and the window has taken what the engine signalled back.
    void trigger(QAction* action);
    // Waits until the engine has handled every command sent so far, then delivers what it
    // signalled to the window.
    void settle();

    // The usual opening of a recording test: the default configuration (edited), the program
    // started and its main window activated, the board's log cleared of the samples-averaged
    // pair. False when a step fails.
    bool startOnBoard(const std::function<void(SettingsModel&)>& edit = {});
    // File > Save with `path` chosen in the file dialog; false unless recording is then on.
    bool startRecording(const QString& path);

    QString appFolder() const { return dir_.path(); }
    sim::BoardSim& board() { return board_; }
    Application& app() { return *app_; }
    MainWindowAssembly& main() { return *main_; }
    MainWindowModel& model() { return main_->model(); }
    SettingsModel& settings() { return app_->settings(); }
    AcquisitionValues& values() { return app_->values(); }
    AcquisitionEngine& engine() { return app_->engine(); }
    // Whether the engine's main port is open (asked on the engine's thread).
    bool mainPortOpen();

    MemorySettingsStore* store = nullptr;
    RecordingMessageBox* box = nullptr;
    FakeFileDialog* files = nullptr;
    FakeColourDialog* colours = nullptr;
    RecordingChart* recordingChart = nullptr;  // only without realChart
    int processEnds = 0;
    using TimedBytes = std::vector<std::pair<QByteArray, std::chrono::steady_clock::time_point>>;
    // Every write of every serial port the program made, with the moment output() returned
    // (ports write on the engine's thread too: these are copies).
    TimedBytes writes() const;
    // Every read that returned bytes, with the moment input() returned them to the program.
    TimedBytes reads() const;
    // Called after each write of any port, inside the program's call, on the writing thread.
    void setOnWrite(std::function<void(const QByteArray&)> onWrite);

    struct PortLog {
        mutable std::mutex mutex;
        TimedBytes writes;
        TimedBytes reads;
        std::function<void(const QByteArray&)> onWrite;
    };

  private:
    PortLog portLog_;
    AppHarnessOptions options_;
    QTemporaryDir dir_;
    sim::BoardSim board_;
    std::unique_ptr<Application> app_;
    std::unique_ptr<MainWindowAssembly> main_;
};

}  // namespace quorlin::test
