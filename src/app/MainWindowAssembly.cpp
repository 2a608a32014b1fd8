#include "app/MainWindowAssembly.h"

#include "acquisition/DataIntervalDialog.h"
#include "app/Application.h"
#include "common/AppError.h"
#include "config/ConfigurationDialog.h"
#include "config/ConfigurationDialogModel.h"
#include "config/SwapColorDialog.h"
#include "config/SwapColorDialogModel.h"
#include "device/BoardProtocol.h"
#include "device/CommPortDialog.h"
#include "device/CommPortDialogModel.h"
#include "display/AboutBox.h"
#include "display/ChartExport.h"
#include "display/ChartView.h"
#include "display/DataReviewWindow.h"
#include "display/MainWindow.h"
#include "platform/QCustomPlotChart.h"

#include <qcustomplot.h>
#include <QFileInfo>
#include <QInputDialog>
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
    if (plotChart_) {
        chartView_ = new ChartView(*plotChart_);  // the window takes it
    }
    window_ = std::make_unique<MainWindow>(model_, chartView_);
    pngWidth_ = [this](int screenWidth) -> std::optional<int> {
        EventGate::Hold hold(app_.eventGate());
        bool ok = false;
        const int width = QInputDialog::getInt(window_.get(), QStringLiteral("Export Chart"),
                                               QStringLiteral("Width in pixels:"), screenWidth, 16,
                                               16384, 1, &ok);
        return ok ? std::optional<int>(width) : std::nullopt;
    };

    SettingsModel& settings = app.settings();
    AcquisitionValues& values = app.values();
    conversion_ = std::make_unique<ChannelConversion>(settings, values, model_, *p.clock);
    plotArrays_ = std::make_unique<PlotArrays>(values, *chart_, app.errorHandler());
    range_ = std::make_unique<ChannelRange>(settings, values, model_);
    colours_ = std::make_unique<ColourRoutines>(settings, model_, *chart_);
    sync_ = std::make_unique<SyncScheduler>(*p.timers, *p.clock, p.syncFile);
    dataFile_ = std::make_unique<DataFile>(settings, app.folders(), *p.clock, app.errorHandler(),
                                           *p.fileDialog);
    dataFile_->setRowWritten([this](const QString& path) { sync_->written(path); });
    app.setBeforeExit([this] { sync_->syncNow(); });
    peakFile_ = std::make_unique<PeakFile>(settings, app.folders(), app.errorHandler());
    save_ = std::make_unique<SaveCommand>(settings, model_, *dataFile_, *p.messageBox,
                                          app.errorHandler());

    ScanHooks hooks;
    hooks.PlotVoltArrays = [this] { plotArrays_->PlotVoltArrays(); };
    hooks.PlotScaleArrays = [this] { plotArrays_->PlotScaleArrays(); };
    hooks.ResetPlotHistory = [this] { plotArrays_->ResetPlotHistory(); };
    hooks.UpdateChannelRangeVolts = [this] { range_->UpdateChannelRangeVolts(); };
    hooks.UpdateChannelRangeScale = [this] { range_->UpdateChannelRangeScale(); };
    hooks.ClearChannelRange = [this] { range_->ClearChannelRange(); };
    hooks.WritePeakFile = [this] { peakFile_->WritePeakFile(peakEntries()); };
    hooks.WriteToFile = [this](const QString& elapsed) {
        dataFile_->WriteToFile(elapsed,
                               recordedValues(app_.values(), app_.settings().WriteFileMethod));
    };
    loop_ = std::make_unique<SamplingLoop>(settings, values, model_, app.link(), *chart_, *p.clock,
                                           app.errorHandler(), *p.messageBox, *p.timers,
                                           app.eventGate(), *conversion_, std::move(hooks));
    runStatus_ = std::make_unique<RunStatusModel>(
        model_, *p.clock, *p.timers, [this] { return runCounts(); }, lineScanLimit(kLineBaud));
    connect(loop_.get(), &SamplingLoop::samplingChanged, this, [this](bool sampling) {
        if (sampling) {
            runStatus_->started();
        } else {
            sync_->syncNow();  // what the run recorded is on the disk once sampling has stopped
            runStatus_->stopped();
        }
    });
    panel_ = std::make_unique<ChannelPanel>(settings, model_, *chart_, *p.messageBox,
                                            [&app] { app.sendStartupCommands(); });
    connectMenus();
    app.link().setAveragingPendingChanged([this] {
        const BoardLink& link = app_.link();
        model_.setAveragingNotice(
            link.averagingPending()
                ? QStringLiteral("Samples Averaged %1 goes to the board when sampling stops and "
                                 "applies from the next run.")
                      .arg(app_.settings().SamplesAveraged)
                : QString());
    });
}

ConfigurationDialog* MainWindowAssembly::configurationWindow() const {
    return configuration_;
}

MainWindowAssembly::~MainWindowAssembly() {
    app_.link().setAveragingPendingChanged({});
    app_.setBeforeExit({});
    if (configuration_) {
        delete configuration_.data();
    }
}

RunCounts MainWindowAssembly::runCounts() const {
    RunCounts c;
    c.scans = loop_->scanCount();
    c.repeats = loop_->repeatCount();
    c.reconnects = loop_->reconnectCount();
    c.rowsWritten = dataFile_->rowsWritten();
    c.rowsFailing = dataFile_->rowsFailing();
    c.recording = app_.settings().DataFileInUse;
    if (c.recording) {
        c.fileBytes = QFileInfo(app_.settings().DataFilePath).size();
    }
    return c;
}

void MainWindowAssembly::connectMenus() {
    connect(model_.mnuSave, &QAction::triggered, this, [this] { save_->mnuSave_Click(); });
    connect(model_.mnuSample, &QAction::triggered, this, [this] { loop_->mnuSample_Click(); });
    connect(model_.mnuExit, &QAction::triggered, this, [this] { app_.shutdown(); });
    connect(model_.mnuOpenDataFile, &QAction::triggered, this, [this] { mnuOpenDataFile_Click(); });
    connect(model_.mnuExportChart, &QAction::triggered, this, [this] { mnuExportChart_Click(); });
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

PerChannel<PeakEntry> MainWindowAssembly::peakEntries() const {
    PerChannel<PeakEntry> entries;
    for (int c = 0; c < kChannelCount; ++c) {
        const ChannelRowState& row = model_.row(c);
        entries[c] = {row.peakTimeText, row.peakText, app_.settings().PeakDisplay[c]};
    }
    return entries;
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

// Saves the chart as shown; the type follows the chosen name's extension. A failure is the
// operator's to see, not a run-stopping error: the chart and the run stay as they were.
void MainWindowAssembly::mnuExportChart_Click() {
    if (plotChart_) {
        exportChartAs(*plotChart_);
    }
}

void MainWindowAssembly::exportChartAs(QCustomPlotChart& chart) {
    Platform& p = app_.platform();
    FileDialogRequest request;
    request.filter = chartFileFilter();
    request.initDir = app_.folders().dataFiles();
    request.confirmOverwrite = true;
    const QString path = p.fileDialog->showSave(request);
    if (path.isEmpty()) {
        return;
    }
    int width = 0;
    if (chartFileTypeOf(path) == ChartFileType::Png) {
        const std::optional<int> chosen = pngWidth_(chart.widget()->width());
        if (!chosen) {
            return;
        }
        width = *chosen == chart.widget()->width() ? 0 : *chosen;
    }
    try {
        exportChart(chart, path, width);
    } catch (const AppError& e) {
        p.messageBox->showOk(QStringLiteral("The chart was not exported.\n\n") + e.description);
    }
}

void MainWindowAssembly::mnuOpenDataFile_Click() {
    Platform& p = app_.platform();
    FileDialogRequest request;
    request.filter =
        QStringLiteral("All Files (*.*)|*.*|Text Files(*.txt)|*.txt|CSV Files (*.csv)|*.csv");
    request.filterIndex = 3;
    request.initDir = app_.folders().dataFiles();
    const QString path = p.fileDialog->showOpen(request);
    if (path.isEmpty()) {
        return;
    }
    auto review = std::make_unique<DataReviewModel>(path, *p.clock, *p.timers);
    if (!review->open()) {
        p.messageBox->showOk(review->errorText());
        return;
    }
    DataReviewModel& loading = *review;
    const SettingsModel& settings = app_.settings();
    auto* window =
        new DataReviewWindow(std::move(review), settings.PlotColor, settings.GraphBackColor);
    QMdiSubWindow* sub = app_.frame().addChildWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    connect(window, &DataReviewWindow::exportRequested, this,
            [this, window] { exportChartAs(window->chart()); });
    loading.startLoading();
}

}  // namespace quorlin
