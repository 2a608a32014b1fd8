#pragma once

#include <QPoint>
#include <QWidget>

class QLabel;
class QPushButton;

namespace quorlin {

class QCustomPlotChart;

// The strip chart as the operator looks into it: the chart's plot with a line below it (the
// view's state, a "Freeze" and a "Live" button) and a readout under the pointer.
//
// On the plot: the wheel zooms the time axis around the pointer, Ctrl+wheel the value axis;
// dragging with the left button pans; a double click or Home follows the run again; Space
// freezes and thaws the picture. The readout gives the time under the pointer and each
// visible plot's value there, taken from the plot's history, not from the picture.
//
// Any window that shows a QCustomPlotChart gets all of it by wrapping the chart in one. The
// chart's plot is reparented into the view; the chart must outlive the view's use of it.
class ChartView : public QWidget {
    Q_OBJECT
  public:
    // What the chart shows: a run goes on behind a frozen or zoomed view; a recorded file
    // has nothing to freeze, and its whole extent is what the view returns to.
    enum class Shows { Run, File };
    explicit ChartView(QCustomPlotChart& chart, QWidget* parent = nullptr,
                       Shows shows = Shows::Run);

    // The line below the plot: empty while the view follows the run.
    QString stateText() const;
    // The readout's lines (time, then "CH0: value" per visible plot); empty when hidden.
    QString readoutText() const;
    void followRun();
    void toggleFreeze();

  signals:
    void stateChanged();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void zoom(bool valueAxis, QPoint at, double steps);
    void pan(QPoint to);
    void updateReadout(QPoint at);
    void showState();

    QCustomPlotChart& chart_;
    Shows shows_;
    QLabel* readout_ = nullptr;
    QString readoutPlain_;
    QPoint pointer_;  // where the readout was last asked for
    QLabel* state_ = nullptr;
    QPushButton* freeze_ = nullptr;
    QPushButton* live_ = nullptr;
    bool dragging_ = false;
    QPoint dragStart_;
    double dragX_[2] = {};
    double dragY_[2] = {};
};

}  // namespace quorlin
