#include "app/FrameLoad.h"

#include "app/Version.h"
#include "common/AppError.h"
#include "common/NumberText.h"
#include "common/Rounding.h"

namespace quorlin {

FrameLoad::FrameLoad(SettingsModel& settings, AcquisitionValues& values, SingleInstance& instance,
                     SettingsStore& store, Clock& clock, MessageBox& messageBox,
                     ErrorHandler& errors, std::function<void()> shutdown,
                     std::function<void()> getConfigurationFile,
                     std::function<void()> testForFileFolders)
    : settings_(settings),
      values_(values),
      instance_(instance),
      store_(store),
      clock_(clock),
      messageBox_(messageBox),
      errors_(errors),
      shutdown_(std::move(shutdown)),
      getConfigurationFile_(std::move(getConfigurationFile)),
      testForFileFolders_(std::move(testForFileFolders)) {}

bool FrameLoad::run() {
    if (!instance_.acquire()) {
        const QString problem = instance_.lockProblem();
        if (problem.isEmpty()) {
            messageBox_.showOk(QStringLiteral("The program is already running!"));
            shutdown_();
            return false;
        }
        // No instance runs: a lock that cannot be had must not keep the program from starting.
        messageBox_.showOk(
            QStringLiteral("The lock that keeps a second copy of the program from starting "
                           "could not be taken: %1. The program starts without it.")
                .arg(problem));
    }
    try {
        values_.CounterFrequency = clock_.counterFrequency();
        settings_.VersionText = BuildVersionText();
        if (getConfigurationFile_) {
            getConfigurationFile_();
        }
        const QString port = store_.value(QStringLiteral("Startup"),
                                          QStringLiteral("CurrentCommPort"), QStringLiteral("1"));
        settings_.CurrentCommPort = toInt16(leadingNumber(port));
        if (testForFileFolders_) {
            testForFileFolders_();
        }
        settings_.DataIntervalUnit = QStringLiteral("No Restriction");
        settings_.DataIntervalPoints = 0;
        settings_.DataIntervalMs = 0;
        values_.LastRowTick = 0;
        values_.ChannelTare.fill(0.0);
    } catch (const AppError& e) {
        errors_.SimpleErrorHandler(e.number, QStringLiteral("MDIForm_Load"),
                                   QStringLiteral("MDIForm"), e.description);
    }
    return true;
}

}  // namespace quorlin
