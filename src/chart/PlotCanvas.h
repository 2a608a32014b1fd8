#pragma once

#include <qcustomplot.h>

#include <QImage>

#include <cstddef>
#include <vector>

namespace quorlin {

class DecimatedGraph;

// Paints a set of graphs (kept on a hidden layer) into a picture of its own and puts that
// picture on the plot. Between redraws where only the graphs' data grew, nothing else of
// the picture moves: only the pixel columns from the leftmost changed one onwards are
// cleared and drawn again, the rest is kept. Any change of what the graphs are drawn on
// (axis ranges, plot area, size, pixel ratio) or how (pen, visibility) repaints it all.
//
// The picture is drawn exactly as the layer would draw the graphs straight onto the plot:
// same device size (the line rasteriser's rough clipping depends on it), same clip, same
// order. A clip only selects pixels, so the columns drawn again are the very pixels a full
// repaint gives. Opaque pens make putting the picture on the plot a plain copy; a
// translucent pen (blending twice would differ by rounding) turns the picture off. Exports
// (painters that do not cache, or vectorized ones) get the graphs drawn straight.
class PlotCanvas final : public QCPLayerable {
  public:
    PlotCanvas(QCustomPlot* plot, QCPAxisRect* axisRect, std::vector<DecimatedGraph*> graphs);

    std::size_t memoryBytes() const { return static_cast<std::size_t>(picture_.sizeInBytes()); }
    qint64 fullRepaints() const { return fullRepaints_; }
    qint64 partialRepaints() const { return partialRepaints_; }

  protected:
    QRect clipRect() const override;
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override;
    void draw(QCPPainter* painter) override;

  private:
    // What the picture was painted for; any difference repaints it all.
    struct Setting {
        QSize deviceSize;
        double pixelRatio = 0;
        QRect area;
        QCPRange x;
        QCPRange y;
        std::vector<std::pair<bool, QPen>> looks;
        bool operator==(const Setting&) const = default;
    };
    Setting currentSetting() const;
    bool opaque() const;
    void refreshGraphs();
    void paintGraphs(QCPPainter& painter, int fromPixel);

    QCPAxisRect* axisRect_;
    std::vector<DecimatedGraph*> graphs_;
    QImage picture_;
    Setting painted_;
    qint64 fullRepaints_ = 0;
    qint64 partialRepaints_ = 0;
};

}  // namespace quorlin
