#include "app/MainWindowAssembly.h"

#include "acquisition/DataIntervalDialog.h"
#include "app/Application.h"
#include "common/AppError.h"
#include "common/NumberText.h"
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
#include "publishing/MqttDialog.h"
#include "publishing/MqttDialogModel.h"

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
    plotArrays_ = std::make_unique<PlotArrays>(values, *chart_, app.errorHandler());
    range_ = std::make_unique<ChannelRange>(settings, values, model_);
    colours_ = std::make_unique<ColourRoutines>(settings, model_, *chart_);
    dataFile_ = std::make_unique<DataFile>(settings, app.folders(), *p.clock, app.errorHandler(),
                                           *p.fileDialog);
    save_ = std::make_unique<SaveCommand>(settings, model_, *dataFile_, *p.messageBox,
                                          app.errorHandler());

    runStatus_ = std::make_unique<RunStatusModel>(
        model_, *p.clock, *p.timers, [this] { return runCounts(); }, lineScanLimit(kLineBaud));
    panel_ = std::make_unique<ChannelPanel>(settings, model_, *chart_, *p.messageBox,
                                            [&app] { app.sendStartupCommands(); });
    connectEngine();
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

RunCounts MainWindowAssembly::runCounts() const {
    RunCounts c = engineRunCounts(app_.engine());
    c.recording = app_.settings().DataFileInUse;
    if (c.recording) {
        c.fileBytes = QFileInfo(app_.settings().DataFilePath).size();
    }
    return c;
}

void MainWindowAssembly::connectEngine() {
    AcquisitionEngine& engine = app_.engine();
    connect(&engine, &AcquisitionEngine::rowTextChanged, this,
            [this](int channel, RowField field, const QString& text) {
                showRowText(channel, field, text);
            });
    connect(&engine, &AcquisitionEngine::valuesChanged, this,
            [this](const AcquisitionValues& values, bool scanClosed) {
                showValues(values, scanClosed);
            });
    connect(&engine, &AcquisitionEngine::samplingChanged, this,
            [this](bool sampling) { showSampling(sampling); });
    connect(&engine, &AcquisitionEngine::boardStatusChanged, &model_,
            &MainWindowModel::setBoardStatus);
    connect(&engine, &AcquisitionEngine::averagingPendingChanged, this, [this](bool pending) {
        model_.setAveragingNotice(
            pending ? QStringLiteral("Samples Averaged %1 goes to the board when sampling stops "
                                     "and applies from the next run.")
                          .arg(app_.settings().SamplesAveraged)
                    : QString());
    });
}

void MainWindowAssembly::showRowText(int channel, RowField field, const QString& text) {
    switch (field) {
        case RowField::VoltsText:
            model_.setVoltsText(channel, text);
            break;
        case RowField::ScaledText:
            model_.setScaledText(channel, text);
            break;
        case RowField::PeakText:
            model_.setPeakText(channel, text);
            break;
        case RowField::PeakTimeText:
            model_.setPeakTimeText(channel, text);
            break;
        case RowField::TareCaption:
            model_.setTareCaption(channel, text);
            break;
        default:
            break;
    }
}

void MainWindowAssembly::showValues(const AcquisitionValues& values, bool scanClosed) {
    AcquisitionValues& shown = app_.values();
    shown.ChannelVolts = values.ChannelVolts;
    shown.ChannelScaled = values.ChannelScaled;
    shown.ChannelTare = values.ChannelTare;
    shown.ElapsedTimeText = values.ElapsedTimeText;
    if (!scanClosed) {
        return;
    }
    // Every scan reaches the chart, however late the window comes to it.
    const SettingsModel& settings = app_.settings();
    if (settings.GraphMethod == QLatin1String("AutoScale")) {
        const PerChannel<double>& data =
            settings.GraphScale ? shown.ChannelScaled : shown.ChannelVolts;
        const double x = leadingNumber(shown.ElapsedTimeText);
        for (int c = 0; c < kChannelCount; ++c) {
            chart_->appendPoint(plotOfChannel(c), x, data[c]);
        }
    } else if (settings.GraphMethod == QLatin1String("Continuous")) {
        if (settings.GraphScale) {
            plotArrays_->PlotScaleArrays();
        } else {
            plotArrays_->PlotVoltArrays();
        }
    }
    if (model_.mnuChannelRangeVolts->isChecked()) {
        range_->UpdateChannelRangeVolts();
    } else if (model_.mnuChannelRangeScale->isChecked()) {
        range_->UpdateChannelRangeScale();
    }
}

void MainWindowAssembly::showSampling(bool sampling) {
    if (!sampling && model_.mnuPeakOn->isChecked()) {
        model_.mnuPeakOn->setChecked(false);  // the engine wrote the peak file
        app_.settings().PeakOn = false;
    }
    for (int k = 0; k < kChannelCount; ++k) {
        model_.setCheckEnabled(k, !sampling);
    }
    model_.mnuSample->setChecked(sampling);
    model_.mnuTools->setEnabled(!sampling);
    model_.mnuHelp->setEnabled(!sampling);
    model_.mnuSave->setEnabled(!sampling);
    chart_->clear();
    chart_->setYCaption(app_.settings().GraphScale ? QStringLiteral("Scale")
                                                   : QStringLiteral("Volts"));
    if (!sampling) {
        chart_->setXRange(0, 10);
        chart_->setXAutoRange();
    }
    plotArrays_->ResetPlotHistory();
    if (sampling) {
        runStatus_->started();
    } else {
        range_->ClearChannelRange();
        runStatus_->stopped();
    }
}

void MainWindowAssembly::mnuSample_Click() {
    // The action may have toggled its own check mark: it shows the engine's state instead,
    // until the engine says that it changed.
    AcquisitionEngine& engine = app_.engine();
    model_.mnuSample->setChecked(engine.isSampling());
    PerChannel<bool> checked{};
    for (int k = 0; k < kChannelCount; ++k) {
        checked[k] = model_.row(k).checked;
    }
    engine.toggleSampling(
        app_.settings(), checked,
        model_.mnuChannelRangeVolts->isChecked() || model_.mnuChannelRangeScale->isChecked());
}

void MainWindowAssembly::mnuPeakOn_Click() {
    // Not a toggle: choosing it again restarts the tracking from the start values.
    model_.mnuPeakOn->setChecked(true);
    app_.settings().PeakOn = true;
    app_.engine().peakOn(app_.settings());
}

void MainWindowAssembly::connectMenus() {
    connect(model_.mnuSave, &QAction::triggered, this, [this] {
        save_->mnuSave_Click();
        if (app_.settings().DataFileInUse) {
            app_.engine().dataFileChosen(app_.settings());
        }
    });
    connect(model_.mnuSample, &QAction::triggered, this, [this] { mnuSample_Click(); });
    connect(model_.mnuExit, &QAction::triggered, this, [this] { app_.shutdown(); });
    connect(model_.mnuOpenDataFile, &QAction::triggered, this, [this] { mnuOpenDataFile_Click(); });
    connect(model_.mnuExportChart, &QAction::triggered, this, [this] { mnuExportChart_Click(); });
    connect(model_.mnuCommPort, &QAction::triggered, this, [this] { mnuCommPort_Click(); });
    connect(model_.mnuConfiguration, &QAction::triggered, this,
            [this] { mnuConfiguration_Click(); });
    connect(model_.mnuPeakOn, &QAction::triggered, this, [this] { mnuPeakOn_Click(); });
    connect(model_.mnuSetDataInterval, &QAction::triggered, this,
            [this] { mnuSetDataInterval_Click(); });
    connect(model_.mnuSwapColor, &QAction::triggered, this, [this] { mnuSwapColor_Click(); });
    connect(model_.mnuMqttPublishing, &QAction::triggered, this,
            [this] { mnuMqttPublishing_Click(); });
    connect(model_.mnuChannelRangeVolts, &QAction::triggered, this,
            [this] { range_->mnuChannelRangeVolts_Click(); });
    connect(model_.mnuChannelRangeScale, &QAction::triggered, this,
            [this] { range_->mnuChannelRangeScale_Click(); });
    connect(model_.mnuHelpHelp, &QAction::triggered, this, [this] { panel_->mnuHelpHelp_Click(); });
    connect(model_.mnuAbout, &QAction::triggered, this, [this] { mnuAbout_Click(); });

    connect(window_.get(), &MainWindow::tareClicked, this,
            [this](int channel) { app_.engine().tare(channel, model_.row(channel).scaledText); });
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
    ConfigurationDialogModel::StopSamplingFirst(*model_.mnuSample, [this] { mnuSample_Click(); });
    if (configuration_) {
        app_.frame().mdiArea()->setActiveSubWindow(
            qobject_cast<QMdiSubWindow*>(configuration_->parentWidget()));
        return;
    }
    ConfigurationDialogHooks hooks;
    hooks.OpenConfigurationFile = [this] { return app_.configFile().OpenConfigurationFile(); };
    hooks.SaveConfigurationFile = [this] { return app_.configFile().SaveConfigurationFile(); };
    // The engine takes the settings as they are applied: a run started meanwhile records with
    // them, as it would have with the window's own settings.
    hooks.WriteToDefaultConfigFile = [this] {
        app_.configFile().WriteToDefaultConfigFile();
        app_.engine().applySettings(app_.settings());
    };
    hooks.ApplyColors = [this] {
        colours_->ApplyColors();
        app_.engine().applySettings(app_.settings());
    };
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

void MainWindowAssembly::mnuMqttPublishing_Click() {
    SettingsStore& store = *app_.platform().store;
    MqttDialogModel dialogModel(loadMqttSettings(store), [this, &store](const MqttSettings& s) {
        saveMqttSettings(store, s);
        app_.engine().setPublishing(s);
    });
    MqttDialog dialog(dialogModel, mqttProbe_, window_.get());
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
    request.filter = QStringLiteral("Data files (*.csv)|*.csv|All files (*.*)|*.*");
    request.filterIndex = 1;
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
