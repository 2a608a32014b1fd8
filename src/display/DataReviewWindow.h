#pragma once

#include "common/Channel.h"
#include "common/Colour.h"
#include "display/DataReviewModel.h"

#include <QWidget>

#include <memory>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace quorlin {

class ChartView;
class QCustomPlotChart;

// The review window of a recorded data file ("frmDataReview"): the file's title and time
// span, the main window's chart class with the file's channels (zoomed and panned as on the
// main window), each channel's minimum, maximum and mean over the visible time window, and a
// progress bar with Cancel while a long file loads. A passive view of DataReviewModel; Cancel
// closes it.
class DataReviewWindow : public QWidget {
    Q_OBJECT
  public:
    DataReviewWindow(std::unique_ptr<DataReviewModel> model, const PerChannel<ColourValue>& colours,
                     ColourValue background, QWidget* parent = nullptr);
    ~DataReviewWindow() override;

    DataReviewModel& model() { return *model_; }
    QCustomPlotChart& chart() { return *chart_; }

  signals:
    // The operator asked to export the chart as shown (the main window's export command).
    void exportRequested();

  private:
    void showProgress();
    void showLoaded();
    void showChannels();
    void showStats();
    void closeWindow();

    std::unique_ptr<DataReviewModel> model_;
    std::unique_ptr<QCustomPlotChart> chart_;
    ChartView* view_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* span_ = nullptr;
    QLabel* notice_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QCheckBox* allChannels_ = nullptr;
    QPushButton* export_ = nullptr;
    struct StatsRow {
        QLabel* name = nullptr;
        QLabel* minimum = nullptr;
        QLabel* maximum = nullptr;
        QLabel* mean = nullptr;
    };
    PerChannel<StatsRow> rows_{};
};

}  // namespace quorlin
