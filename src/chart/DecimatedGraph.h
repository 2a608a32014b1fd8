#pragma once

#include "chart/M4Decimation.h"
#include "chart/PointTable.h"

#include <qcustomplot.h>

#include <climits>
#include <cstddef>
#include <memory>
#include <vector>

namespace quorlin {

// A graph drawn from a shared PointTable. At draw time it hands the base class only the
// points that matter per pixel column (m4Columns) for the axes' current geometry, so a
// redraw costs O(pixels * log n) however long the history is. When only the table grew
// since the last fill (same table, same key axis geometry) the fill is taken up at its
// last pixel column, so a scan costs O(log n) there.
//
// Lines are drawn segment by segment, as QCustomPlot's fast-polyline mode does: without
// antialiasing every segment then runs between whole pixels and lights the same pixels
// whatever its neighbours, which is what makes the four points per pixel column draw
// exactly the picture of all points. (A polyline stroke drops sub-pixel steps depending
// on the points before them, so no subset of the points could reproduce it exactly.)
class DecimatedGraph : public QCPGraph {
  public:
    DecimatedGraph(QCPAxis* keyAxis, QCPAxis* valueAxis);

    // nullptr shows nothing.
    void setSource(std::shared_ptr<const PointTable> table);
    const std::shared_ptr<const PointTable>& source() const { return source_; }

    // Frozen, the graph keeps drawing the table it drew and only the points it held at the
    // moment of freezing, whatever the source does meanwhile; thawed, it shows the source.
    void setFrozen(bool frozen);
    bool frozen() const { return frozen_; }
    // The y of the drawn point nearest to x (the earlier one on a tie); false when there is
    // none, or x lies outside the drawn points' x span.
    bool valueAt(double x, double& y) const;

    // X span of the drawn (or, frozen, the frozen) points; false when there are none.
    bool sourceKeyRange(double& lower, double& upper) const;
    // Brings the container in line with the source and the current axis geometry.
    void refresh();
    // How many table columns the next refresh() walks from scratch: none when the drawing
    // is up to date or only takes up its last fill. Refreshes of different graphs touch
    // nothing in common and may run side by side.
    qint64 refillColumns() const;
    // Points handed to the base class at the last refresh.
    qint64 drawnPointCount() const { return static_cast<qint64>(columns_.size()); }
    // Heap bytes of the drawing structures (not the source).
    std::size_t drawingBytes() const;

    // For a painter that keeps the picture between redraws (PlotCanvas). The drawing
    // changed since markPainted() from this pixel column on: kNothingChanged when it did
    // not, kAllChanged when anywhere. Call after refresh().
    static constexpr int kNothingChanged = INT_MAX;
    static constexpr int kAllChanged = INT_MIN;
    int changedFromPixel() const;
    void markPainted();
    // Whether paint() can draw only the pixel columns from a given one on.
    bool paintsPartly() const;
    // Draws as the layer would (clip and antialiasing hint already set on the painter);
    // given fromPixel other than kAllChanged only what lies in the pixel columns from
    // fromPixel on (and a little before; the caller clips).
    void paint(QCPPainter* painter, int fromPixel);
    void applyAntialiasingHint(QCPPainter* painter) const { applyDefaultAntialiasingHint(painter); }
    QRect drawingArea() const { return clipRect(); }

  protected:
    void draw(QCPPainter* painter) override;
    void drawLinePlot(QCPPainter* painter, const QVector<QPointF>& lines) const override;

  private:
    // What the last fill was made for: the same table grown since and the same mapping
    // allow taking it up where it ended.
    struct Mapping {
        double lower = 0;
        double upper = 0;
        int left = 0;
        int width = 0;
        bool inlined = false;
        bool operator==(const Mapping&) const = default;
        double toPixel(double x) const { return (x - lower) / (upper - lower) * width + left; }
    };
    Mapping currentMapping() const;

    void show(std::shared_ptr<const PointTable> table, qint64 limit);
    // Columns of the shown table that are drawn (of an ordered one: filled columns).
    qint64 shownColumns() const;

    std::shared_ptr<const PointTable> source_;
    std::shared_ptr<const PointTable> shown_;  // the source, or the table frozen
    bool frozen_ = false;
    qint64 shownLimit_ = -1;  // columns of shown_ drawn when frozen; -1 all
    const PointTable* filledTable_ = nullptr;
    quint64 filledRevision_ = 0;
    Mapping filledMapping_;
    bool valid_ = false;
    M4Resume resume_;
    std::vector<qint64> columns_;
    QVector<QCPGraphData> points_;  // the values of columns_, kept so as not to read the table
    // Since markPainted(): how many points were drawn then, and how many leading ones of
    // them every refresh since has left as they were.
    qsizetype painted_ = 0;
    qsizetype unchangedPrefix_ = 0;
};

}  // namespace quorlin
