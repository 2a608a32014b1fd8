#include "app/Application.h"

#include "app/FrameLoad.h"

namespace quorlin {

Application::Application(const PlatformMaker& makePlatform, AppFolders folders,
                         std::function<void()> endProcess)
    : folders_(std::move(folders)), endProcess_(std::move(endProcess)) {
    frame_ = std::make_unique<FrameWindow>([this] { shutdown(); });
    platform_ = makePlatform(gate_, frame_.get());
    mainPort_ = platform_.ports->create();
    errorHandler_ = std::make_unique<AppErrorHandler>(
        folders_, settings_, *platform_.clock, *platform_.messageBox, [this] { shutdown(); });
    link_ = std::make_unique<BoardLink>(settings_, *mainPort_, *platform_.clock, *errorHandler_,
                                        *platform_.messageBox);
    configFile_ = std::make_unique<ConfigFile>(settings_, folders_, *errorHandler_,
                                               *platform_.messageBox, *platform_.fileDialog);
}

Application::~Application() = default;

bool Application::loadFrame() {
    FrameLoad load(
        settings_, values_, *platform_.instance, *platform_.store, *platform_.clock,
        *platform_.messageBox, *errorHandler_, [this] { shutdown(); },
        [this] {
            folders_.seedDefaultConfig();
            configFile_->GetConfigurationFile();
        },
        [this] { configFile_->TestForFileFolders(); });
    return load.run();
}

void Application::sendStartupCommands() {
    if (settings_.CurrentCommPort != 0) {
        link_->SendSamplesAveraged();
    }
}

void Application::shutdown() {
    releaseForExit();
    if (endProcess_) {
        endProcess_();
    }
}

void Application::releaseForExit() {
    if (beforeExit_) {
        beforeExit_();
    }
    // The port's lock file and the instance lock must not outlive the process's last act.
    try {
        if (mainPort_ && mainPort_->isOpen()) {
            mainPort_->setPortOpen(false);
        }
    } catch (...) {
        // The OS releases the device as the process ends.
    }
    platform_.instance.reset();
}

}  // namespace quorlin
