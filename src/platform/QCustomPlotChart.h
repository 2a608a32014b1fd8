#pragma once

#include "platform/Chart.h"

#include "chart/FramePacer.h"

#include <qcustomplot.h>
#include <QPointer>

#include <array>
#include <cstddef>
#include <memory>

class QWidget;

namespace quorlin {

class DecimatedGraph;
class PlotCanvas;

// The strip chart on a QCustomPlot widget (objectName "CWGraph1"): eight graphs, X axis
// "Seconds", Y axis "Volts" or "Scale".
//
// A plot draws either a shared table handed over by replacePlotData (kept, never copied)
// or its own table fed by appendPoint. Every change only marks the chart dirty; one
// redraw follows at the screen's pace (about 60 per second at most). Plots are drawn
// without antialiasing, so the per-pixel decimation gives the very picture that drawing
// every point would. The plots' picture is kept between redraws: while the axes stay, a
// redraw only paints the pixel columns that changed (see PlotCanvas).
//
// Redraws are paced by a FramePacer: a scan closed in a receive event is drawn just after
// that event has put the next request on the line.
//
// The widget may be put into a layout (reparented); the chart must then not outlive it.
class QCustomPlotChart final : public Chart {
  public:
    explicit QCustomPlotChart(QWidget* parent = nullptr);
    ~QCustomPlotChart() override;
    QCustomPlotChart(const QCustomPlotChart&) = delete;
    QCustomPlotChart& operator=(const QCustomPlotChart&) = delete;

    QWidget* widget() const;
    QCustomPlot* customPlot() const { return plot_; }

    void clear() override;
    void setYCaption(const QString& caption) override;
    // The two bounds are kept apart and handed to the axis as (minimum, maximum); an axis
    // given them the wrong way round shows them swapped, equal bounds leave it unchanged.
    void setYMaximum(double value) override;
    void setYMinimum(double value) override;
    void setXRange(double minimum, double maximum) override;
    // The axis then runs from the first x to somewhat beyond the last and moves on only
    // when the data leaves it, so that points keep their pixel columns between moves.
    void setXAutoRange() override;
    void setPlotVisible(int plot, bool visible) override;
    void setPlotColour(int plot, ColourValue colour) override;
    ColourValue backgroundColour() const override { return background_; }
    void setBackgroundColour(ColourValue colour) override;
    void replacePlotData(int plot, std::shared_ptr<const PointTable> table) override;
    void appendPoint(int plot, double x, double y) override;

    bool xAutoRange() const { return xAuto_; }

    // The operator's view. An axis the operator has zoomed or panned is held: the range the
    // program prescribes for it (setXRange, setXAutoRange, setYMinimum, setYMaximum) is kept
    // but not shown until followRun(). Frozen, the plots keep the points they had and neither
    // axis follows the program; the tables go on growing untouched.
    void setViewXRange(double lower, double upper);
    void setViewYRange(double lower, double upper);
    bool xHeld() const { return xHeld_; }
    bool yHeld() const { return yHeld_; }
    void setFrozen(bool frozen);
    bool frozen() const { return frozen_; }
    // Drops holds and freeze and shows the prescribed ranges (the automatic X range at once).
    void followRun();
    bool following() const { return !xHeld_ && !yHeld_ && !frozen_; }
    // For a readout: plot n's drawn value nearest to x, its visibility and colour.
    bool plotValueAt(int plot, double x, double& y) const;
    bool plotVisible(int plot) const;
    ColourValue plotColour(int plot) const;
    // Replots at once (pending redraws are dropped): for tests and benchmarks.
    void redrawNow();
    // Points the plot hands to the drawing after the last redraw.
    qint64 drawnPointCount(int plot) const;
    // Heap bytes of the plots' own tables and drawing structures; shared tables not included.
    std::size_t memoryBytes() const;
    // Redraws that repainted the plots' picture as a whole, and those that repainted only
    // its changed pixel columns.
    qint64 fullRepaintCount() const;
    qint64 partialRepaintCount() const;

  private:
    DecimatedGraph* graph(int plot) const;
    void markDirty();
    void redraw();
    void applyXAutoRange(bool force);
    void showPrescribed();

    QPointer<QCustomPlot> plot_;
    std::array<DecimatedGraph*, 8> graphs_{};
    PlotCanvas* canvas_ = nullptr;  // owned by the plot
    // Tables fed by appendPoint; null while the plot shows a shared table or nothing.
    std::array<std::shared_ptr<PointTable>, 8> own_{};
    FramePacer redraws_;
    double yMinimum_ = -5;
    double yMaximum_ = 5;
    bool xAuto_ = true;
    QCPRange xFixed_{0, 10};
    bool xHeld_ = false;
    bool yHeld_ = false;
    bool frozen_ = false;
    ColourValue background_ = 0;
};

}  // namespace quorlin
