#include "app/Application.h"

#include "app/FrameLoad.h"
#include "publishing/MqttSettings.h"

namespace quorlin {

Application::Application(const PlatformMaker& makePlatform, AppFolders folders,
                         std::function<void()> endProcess)
    : folders_(std::move(folders)), endProcess_(std::move(endProcess)) {
    frame_ = std::make_unique<FrameWindow>([this] { shutdown(); });
    platform_ = makePlatform(gate_, frame_.get());
    errorHandler_ = std::make_unique<AppErrorHandler>(
        folders_, settings_, *platform_.clock, *platform_.messageBox, [this] { shutdown(); });
    reports_ = std::make_unique<WindowReports>(*errorHandler_, *platform_.messageBox);
    engine_ = std::make_unique<AcquisitionEngine>(EngineParts{*platform_.ports,
                                                              *platform_.timers,
                                                              *platform_.clock,
                                                              folders_,
                                                              platform_.syncFile,
                                                              {}},
                                                  *reports_);
    configFile_ = std::make_unique<ConfigFile>(settings_, folders_, *errorHandler_,
                                               *platform_.messageBox, *platform_.fileDialog);
}

Application::~Application() {
    engine_.reset();  // before the platform it uses
}

bool Application::loadFrame() {
    FrameLoad load(
        settings_, values_, *platform_.instance, *platform_.store, *platform_.clock,
        *platform_.messageBox, *errorHandler_, [this] { shutdown(); },
        [this] {
            folders_.seedDefaultConfig();
            configFile_->GetConfigurationFile();
        },
        [this] { configFile_->TestForFileFolders(); });
    const bool run = load.run();
    engine_->applySettings(settings_);  // the engine starts from the loaded settings
    if (run) {
        // Stored settings that no longer hold (a CA file gone) leave publishing off; the
        // MQTT Publishing dialog says why.
        const MqttSettings mqtt = loadMqttSettings(*platform_.store);
        if (mqtt.enabled() && mqttSettingsError(mqtt).isEmpty()) {
            engine_->setPublishing(mqtt);
        }
    }
    return run;
}

void Application::sendStartupCommands() {
    if (settings_.CurrentCommPort != 0) {
        engine_->sendSamplesAveraged(settings_);
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
    // The run ends, its rows reach the disk and the port closes (its lock file with it) before
    // the instance lock goes: none of them may outlive the process's last act.
    engine_->shutdown();
    platform_.instance.reset();
}

}  // namespace quorlin
