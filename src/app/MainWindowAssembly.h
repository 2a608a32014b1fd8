#pragma once

#include "acquisition/AcquisitionValues.h"
#include "app/SaveCommand.h"
#include "config/ConfigurationDialog.h"
#include "display/ChannelPanel.h"
#include "display/ChannelRange.h"
#include "display/ColourRoutines.h"
#include "display/PlotArrays.h"
#include "display/RunStatusModel.h"
#include "presentation/MainWindowModel.h"
#include "recording/DataFile.h"

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
// plot history, Channel Range, the colours, the choice of the data file, and the menu
// commands. It shows what the acquisition engine signals (texts, scans, sampling state,
// board status) and hands the operator's commands to it. Built once per run, after the frame
// load, and shown as the frame's "Main" child.
class MainWindowAssembly : public QObject {
    Q_OBJECT
  public:
    // `chart` replaces the QCustomPlot chart (tests); null builds the real one.
    explicit MainWindowAssembly(Application& app, std::unique_ptr<Chart> chart = nullptr);
    ~MainWindowAssembly() override;

    MainWindowModel& model() { return model_; }
    MainWindow& window() { return *window_; }
    Chart& chart() { return *chart_; }
    PlotArrays& plotArrays() { return *plotArrays_; }
    ChannelPanel& panel() { return *panel_; }
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
    void connectEngine();
    void connectMenus();
    // The Sample command: the engine decides from its own state.
    void mnuSample_Click();
    void mnuPeakOn_Click();
    // What the engine signals.
    void showRowText(int channel, RowField field, const QString& text);
    void showValues(const AcquisitionValues& values, bool scanClosed);
    void showSampling(bool sampling);
    // Saves a chart as shown; the type follows the chosen name's extension.
    void exportChartAs(QCustomPlotChart& chart);
    // The run-health line's counters as they stand.
    RunCounts runCounts() const;

    Application& app_;
    MainWindowModel model_;
    std::unique_ptr<Chart> chart_;
    QCustomPlotChart* plotChart_ = nullptr;  // the real chart, when it is the one in use
    ChartView* chartView_ = nullptr;         // around the real chart; owned by the window
    PngWidthPrompt pngWidth_;
    std::unique_ptr<PlotArrays> plotArrays_;
    std::unique_ptr<ChannelRange> range_;
    std::unique_ptr<ColourRoutines> colours_;
    std::unique_ptr<DataFile> dataFile_;  // chooses the file and writes its header
    std::unique_ptr<SaveCommand> save_;
    std::unique_ptr<RunStatusModel> runStatus_;
    std::unique_ptr<ChannelPanel> panel_;
    std::unique_ptr<MainWindow> window_;
    QPointer<ConfigurationDialog> configuration_;
};

}  // namespace quorlin
