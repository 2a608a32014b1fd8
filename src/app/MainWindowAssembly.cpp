#include "app/MainWindowAssembly.h"

#include "acquisition/DataIntervalDialog.h"
#include "app/Application.h"
#include "config/ConfigurationDialog.h"
#include "config/ConfigurationDialogModel.h"
#include "config/SwapColorDialog.h"
#include "config/SwapColorDialogModel.h"
#include "device/CommPortDialog.h"
#include "device/CommPortDialogModel.h"
#include "display/AboutBox.h"
#include "display/DataReviewWindow.h"
#include "display/MainWindow.h"
#include "display/QCustomPlotChart.h"

#include <qcustomplot.h>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace quorlin {

MainWindowAssembly::MainWindowAssembly(Application& app, std::unique_ptr<Chart> chart) : app_(app) {
    Platform& p = app.platform();
    if (chart) {
        chart_ = std::move(chart);
    } else {
        auto real = std::make_unique<QCustomPlotChart>();
        plotChart_ = real.get();
        chart_ = std::move(real);
    }
    window_ = std::make_unique<MainWindow>(model_, plotChart_ ? plotChart_->widget() : nullptr);

    SettingsModel& settings = app.settings();
    AcquisitionValues& values = app.values();
    conversion_ = std::make_unique<ChannelConversion>(settings, values, model_, *p.clock);
    plotArrays_ = std::make_unique<PlotArrays>(values, *chart_, app.errorHandler());
    range_ = std::make_unique<ChannelRange>(settings, values, model_);
    colours_ = std::make_unique<ColourRoutines>(settings, model_, *chart_);
    dataFile_ = std::make_unique<DataFile>(settings, values, model_, app.folders(), *p.clock,
                                           app.errorHandler(), *p.messageBox, *p.fileDialog);
    peakFile_ = std::make_unique<PeakFile>(settings, model_, app.folders(), app.errorHandler());

    ScanHooks hooks;
    hooks.PlotVoltArrays = [this] { plotArrays_->PlotVoltArrays(); };
    hooks.PlotScaleArrays = [this] { plotArrays_->PlotScaleArrays(); };
    hooks.ResetPlotHistory = [this] { plotArrays_->ResetPlotHistory(); };
    hooks.UpdateChannelRangeVolts = [this] { range_->UpdateChannelRangeVolts(); };
    hooks.UpdateChannelRangeScale = [this] { range_->UpdateChannelRangeScale(); };
    hooks.ClearChannelRange = [this] { range_->ClearChannelRange(); };
    hooks.WritePeakFile = [this] { peakFile_->WritePeakFile(); };
    hooks.WriteToFile = [this](const QString& elapsed) { dataFile_->WriteToFile(elapsed); };
    loop_ = std::make_unique<SamplingLoop>(settings, values, model_, app.link(), *chart_, *p.clock,
                                           app.errorHandler(), *p.messageBox, *p.timers,
                                           app.eventGate(), *conversion_, std::move(hooks));
    panel_ = std::make_unique<ChannelPanel>(settings, model_, *chart_, *p.messageBox,
                                            [&app] { app.sendStartupCommands(); });
    connectMenus();
}

ConfigurationDialog* MainWindowAssembly::configurationWindow() const {
    return configuration_;
}

MainWindowAssembly::~MainWindowAssembly() {
    if (configuration_) {
        delete configuration_.data();
    }
}

void MainWindowAssembly::connectMenus() {
    connect(model_.mnuSave, &QAction::triggered, this, [this] { dataFile_->mnuSave_Click(); });
    connect(model_.mnuSample, &QAction::triggered, this, [this] { loop_->mnuSample_Click(); });
    connect(model_.mnuExit, &QAction::triggered, this, [this] { app_.shutdown(); });
    connect(model_.mnuOpenDataFile, &QAction::triggered, this, [this] { mnuOpenDataFile_Click(); });
    connect(model_.mnuCommPort, &QAction::triggered, this, [this] { mnuCommPort_Click(); });
    connect(model_.mnuConfiguration, &QAction::triggered, this,
            [this] { mnuConfiguration_Click(); });
    connect(model_.mnuPeakOn, &QAction::triggered, this,
            [this] { conversion_->mnuPeakOn_Click(); });
    connect(model_.mnuSetDataInterval, &QAction::triggered, this,
            [this] { mnuSetDataInterval_Click(); });
    connect(model_.mnuSwapColor, &QAction::triggered, this, [this] { mnuSwapColor_Click(); });
    connect(model_.mnuChannelRangeVolts, &QAction::triggered, this,
            [this] { range_->mnuChannelRangeVolts_Click(); });
    connect(model_.mnuChannelRangeScale, &QAction::triggered, this,
            [this] { range_->mnuChannelRangeScale_Click(); });
    connect(model_.mnuHelpHelp, &QAction::triggered, this, [this] { panel_->mnuHelpHelp_Click(); });
    connect(model_.mnuAbout, &QAction::triggered, this, [this] { mnuAbout_Click(); });

    connect(window_.get(), &MainWindow::tareClicked, this,
            [this](int channel) { conversion_->cmdTare_Click(channel); });
    connect(window_.get(), &MainWindow::keyPressed, this,
            [this](int key, Qt::KeyboardModifiers mods) { panel_->Form_KeyDown(key, mods); });
    connect(&app_.frame(), &FrameWindow::mainWindowActivated, this, [this] { panel_->Activate(); });
}

void MainWindowAssembly::mnuCommPort_Click() {
    Platform& p = app_.platform();
    CommPortDialogModel dialogModel(app_.settings(), *p.store, *p.ports, *p.clock, *p.messageBox,
                                    app_.errorHandler());
    CommPortDialog dialog(dialogModel, window_.get());
    EventGate::Hold hold(app_.eventGate());
    dialog.exec();
}

void MainWindowAssembly::mnuConfiguration_Click() {
    // Opening the configuration window always stops a running sampling first.
    ConfigurationDialogModel::StopSamplingFirst(*model_.mnuSample,
                                                [this] { loop_->mnuSample_Click(); });
    if (configuration_) {
        app_.frame().mdiArea()->setActiveSubWindow(
            qobject_cast<QMdiSubWindow*>(configuration_->parentWidget()));
        return;
    }
    ConfigurationDialogHooks hooks;
    hooks.OpenConfigurationFile = [this] { return app_.configFile().OpenConfigurationFile(); };
    hooks.SaveConfigurationFile = [this] { return app_.configFile().SaveConfigurationFile(); };
    hooks.WriteToDefaultConfigFile = [this] { app_.configFile().WriteToDefaultConfigFile(); };
    hooks.ApplyColors = [this] { colours_->ApplyColors(); };
    hooks.CaptureColors = [this] { colours_->CaptureColors(); };
    auto dialogModel = std::make_unique<ConfigurationDialogModel>(
        app_.settings(), *app_.platform().messageBox, std::move(hooks));
    configuration_ = new ConfigurationDialog(std::move(dialogModel));
    QMdiSubWindow* sub = app_.frame().addChildWindow(configuration_);
    sub->show();
}

void MainWindowAssembly::mnuSetDataInterval_Click() {
    DataIntervalDialog dialog(app_.settings(), *app_.platform().messageBox, window_.get());
    EventGate::Hold hold(app_.eventGate());
    dialog.exec();
}

void MainWindowAssembly::mnuSwapColor_Click() {
    SwapColorDialogModel dialogModel(model_, *chart_, *app_.platform().colourDialog);
    SwapColorDialog dialog(dialogModel, window_.get());
    EventGate::Hold hold(app_.eventGate());
    dialog.exec();
}

void MainWindowAssembly::mnuAbout_Click() {
    quorlin::mnuAbout_Click(app_.settings().VersionText, window_.get(), &app_.eventGate());
}

void MainWindowAssembly::mnuOpenDataFile_Click() {
    Platform& p = app_.platform();
    FileDialogRequest request;
    request.filter =
        QStringLiteral("All Files (*.*)|*.*|Text Files(*.txt)|*.txt|CSV Files (*.csv)|*.csv");
    request.filterIndex = 3;
    request.initDir = app_.folders().dataFiles();
    QString path;
    {
        EventGate::Hold hold(app_.eventGate());
        path = p.fileDialog->showOpen(request);
    }
    if (path.isEmpty()) {
        return;
    }
    auto review = std::make_unique<DataReviewModel>(path, *p.clock, *p.timers);
    if (!review->open()) {
        EventGate::Hold hold(app_.eventGate());
        p.messageBox->showOk(review->errorText());
        return;
    }
    DataReviewModel& loading = *review;
    const SettingsModel& settings = app_.settings();
    auto* window =
        new DataReviewWindow(std::move(review), settings.PlotColor, settings.GraphBackColor);
    QMdiSubWindow* sub = app_.frame().addChildWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    loading.startLoading();
}

}  // namespace quorlin
