#pragma once

#include "acquisition/ChannelConversion.h"
#include "acquisition/SamplingLoop.h"
#include "app/SaveCommand.h"
#include "config/ConfigurationDialog.h"
#include "display/ChannelPanel.h"
#include "display/ChannelRange.h"
#include "display/ColourRoutines.h"
#include "display/PlotArrays.h"
#include "display/RunStatusModel.h"
#include "presentation/MainWindowModel.h"
#include "recording/DataFile.h"
#include "recording/PeakFile.h"
#include "recording/SyncScheduler.h"

#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

namespace quorlin {

class Application;
class Chart;
class ChartView;
class MainWindow;
class QCustomPlotChart;

// The main window and everything that works on it: the presentation model, the chart, the
// sampling loop with its conversion chain, the plot history, Channel Range, the colours, the
// data and peak files, and the menu commands that open the dialogs. Built once per run, after
// the frame load, and shown as the frame's "Main" child.
class MainWindowAssembly : public QObject {
    Q_OBJECT
  public:
    // `chart` replaces the QCustomPlot chart (tests); null builds the real one.
    explicit MainWindowAssembly(Application& app, std::unique_ptr<Chart> chart = nullptr);
    ~MainWindowAssembly() override;

    MainWindowModel& model() { return model_; }
    MainWindow& window() { return *window_; }
    Chart& chart() { return *chart_; }
    SamplingLoop& loop() { return *loop_; }
    PlotArrays& plotArrays() { return *plotArrays_; }
    ChannelPanel& panel() { return *panel_; }
    DataFile& dataFile() { return *dataFile_; }
    SyncScheduler& syncScheduler() { return *sync_; }
    RunStatusModel& runStatus() { return *runStatus_; }
    // The configuration window while it is open.
    ConfigurationDialog* configurationWindow() const;

    // Menu commands that open windows.
    void mnuCommPort_Click();
    void mnuConfiguration_Click();
    void mnuSetDataInterval_Click();
    void mnuSwapColor_Click();
    void mnuAbout_Click();
    void mnuExportChart_Click();

    // Asks for a PNG export's width, offering the chart's width on screen; none cancels.
    using PngWidthPrompt = std::function<std::optional<int>(int screenWidth)>;
    void setPngWidthPrompt(PngWidthPrompt prompt) { pngWidth_ = std::move(prompt); }
    ChartView* chartView() const { return chartView_; }
    // Lets the operator choose a recorded data file and opens it in a review window.
    void mnuOpenDataFile_Click();

  private:
    void connectMenus();
    // Saves a chart as shown; the type follows the chosen name's extension.
    void exportChartAs(QCustomPlotChart& chart);
    // The peak boxes as they stand, with the kind of peak each channel tracks.
    PerChannel<PeakEntry> peakEntries() const;
    // The run-health line's counters as they stand.
    RunCounts runCounts() const;

    Application& app_;
    MainWindowModel model_;
    std::unique_ptr<Chart> chart_;
    QCustomPlotChart* plotChart_ = nullptr;  // the real chart, when it is the one in use
    ChartView* chartView_ = nullptr;         // around the real chart; owned by the window
    PngWidthPrompt pngWidth_;
    std::unique_ptr<ChannelConversion> conversion_;
    std::unique_ptr<PlotArrays> plotArrays_;
    std::unique_ptr<ChannelRange> range_;
    std::unique_ptr<ColourRoutines> colours_;
    std::unique_ptr<SyncScheduler> sync_;  // outlives the data file, which feeds it
    std::unique_ptr<DataFile> dataFile_;
    std::unique_ptr<PeakFile> peakFile_;
    std::unique_ptr<SaveCommand> save_;
    std::unique_ptr<SamplingLoop> loop_;
    std::unique_ptr<RunStatusModel> runStatus_;
    std::unique_ptr<ChannelPanel> panel_;
    std::unique_ptr<MainWindow> window_;
    QPointer<ConfigurationDialog> configuration_;
};

}  // namespace quorlin
