#pragma once

#include "acquisition/AcquisitionEngine.h"
#include "acquisition/AcquisitionValues.h"
#include "app/AppErrorHandler.h"
#include "app/FrameWindow.h"
#include "app/Shutdown.h"
#include "app/WindowReports.h"
#include "config/ConfigFile.h"
#include "config/SettingsModel.h"
#include "platform/AppFolders.h"
#include "platform/Clock.h"
#include "platform/ColourDialog.h"
#include "platform/EventGate.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/SerialPort.h"
#include "platform/SettingsStore.h"
#include "platform/SingleInstance.h"
#include "platform/Timer.h"

#include <functional>
#include <memory>

namespace quorlin {

// What the application needs of the outside world, made once per run by main() (the Qt
// adapters) or by a test (the fakes).
// Ports refer to the store, so the store is declared (and outlives them) first.
struct Platform {
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<Clock> clock;
    std::unique_ptr<MessageBox> messageBox;
    std::unique_ptr<SerialPortFactory> ports;
    std::unique_ptr<SingleInstance> instance;
    std::unique_ptr<FileDialog> fileDialog;
    std::unique_ptr<ColourDialog> colourDialog;
    std::unique_ptr<TimerFactory> timers;
    // Makes a file's data durable; empty: fdatasync.
    std::function<bool(const QString& path)> syncFile;
};

// Builds the platform once the event gate and the frame (the parent of message boxes) exist.
using PlatformMaker = std::function<Platform(EventGate& gate, QWidget* frame)>;

// The composition root: owns one instance of every application-wide object and hands them to
// those who need them.
class Application {
  public:
    // `endProcess` is what finally ends the run after the single-instance lock and the ports
    // are released; the default ends the process at once.
    Application(
        const PlatformMaker& makePlatform, AppFolders folders,
        std::function<void()> endProcess = [] { quorlin::endProcess(0); });
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The frame load. False when this instance must end (another one runs).
    bool loadFrame();

    // Activation of the main window: the samples-averaged command pair (sent by the engine),
    // only when a port is chosen. Called between laying out the channel panel and setting the
    // Y caption.
    void sendStartupCommands();

    // Ends the application: Exit, the frame's close box, the handler's Cancel, SIGTERM. The
    // engine stops first (a run ends as Sample would end it, its rows synced).
    void shutdown();

    SettingsModel& settings() { return settings_; }
    // The values of the last scan the window has shown (the engine keeps its own).
    AcquisitionValues& values() { return values_; }
    EventGate& eventGate() { return gate_; }
    const AppFolders& folders() const { return folders_; }
    Platform& platform() { return platform_; }
    AcquisitionEngine& engine() { return *engine_; }
    ErrorHandler& errorHandler() { return *errorHandler_; }
    FrameWindow& frame() { return *frame_; }
    ConfigFile& configFile() { return *configFile_; }
    // Run just before the process ends (what must reach the disk first).
    void setBeforeExit(std::function<void()> beforeExit) { beforeExit_ = std::move(beforeExit); }

  private:
    void releaseForExit();

    SettingsModel settings_;
    AcquisitionValues values_;
    EventGate gate_;
    AppFolders folders_;
    std::function<void()> endProcess_;
    std::unique_ptr<FrameWindow> frame_;
    Platform platform_;
    std::unique_ptr<AppErrorHandler> errorHandler_;
    std::unique_ptr<WindowReports> reports_;
    std::unique_ptr<AcquisitionEngine> engine_;
    std::unique_ptr<ConfigFile> configFile_;
    std::function<void()> beforeExit_;
};

}  // namespace quorlin
