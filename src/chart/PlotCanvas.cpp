#include "chart/PlotCanvas.h"

#include "chart/DecimatedGraph.h"
#include "chart/RunAlongside.h"

#include <algorithm>

namespace quorlin {

PlotCanvas::PlotCanvas(QCustomPlot* plot, QCPAxisRect* axisRect,
                       std::vector<DecimatedGraph*> graphs)
    : QCPLayerable(plot, QString(), axisRect), axisRect_(axisRect), graphs_(std::move(graphs)) {}

QRect PlotCanvas::clipRect() const {
    return axisRect_->rect();  // where the graphs draw, as a plottable's clip is
}

// Never antialiased: an antialiased QCPPainter is shifted by half a pixel, which would blur
// the copied picture and move the graphs' clip.
void PlotCanvas::applyDefaultAntialiasingHint(QCPPainter* painter) const {
    painter->setAntialiasing(false);
}

PlotCanvas::Setting PlotCanvas::currentSetting() const {
    Setting s;
    s.pixelRatio = parentPlot()->bufferDevicePixelRatio();
    s.deviceSize = parentPlot()->viewport().size() * s.pixelRatio;  // as the plot's buffers
    s.area = axisRect_->rect();
    if (!graphs_.empty() && graphs_.front()->keyAxis() && graphs_.front()->valueAxis()) {
        s.x = graphs_.front()->keyAxis()->range();
        s.y = graphs_.front()->valueAxis()->range();
    }
    for (const DecimatedGraph* g : graphs_) {
        s.looks.emplace_back(g->visible(), g->pen());
    }
    return s;
}

bool PlotCanvas::opaque() const {
    auto opaqueBrush = [](const QBrush& b) {
        return b.style() == Qt::NoBrush || (b.style() == Qt::SolidPattern && b.isOpaque());
    };
    return std::all_of(graphs_.begin(), graphs_.end(), [&](const DecimatedGraph* g) {
        return !g->visible() || ((g->pen().style() == Qt::NoPen || opaqueBrush(g->pen().brush())) &&
                                 opaqueBrush(g->brush()));
    });
}

// As the layer draws its children: each in turn, clipped to its area (which the layer shifts
// up by one pixel), with its antialiasing hint; from fromPixel on only, unless that is
// DecimatedGraph::kAllChanged.
void PlotCanvas::paintGraphs(QCPPainter& painter, int fromPixel) {
    for (DecimatedGraph* g : graphs_) {
        if (!g->visible()) {
            continue;
        }
        QRect clip = g->drawingArea().translated(0, -1);
        if (fromPixel != DecimatedGraph::kAllChanged) {
            clip.setLeft(std::max(clip.left(), fromPixel));
        }
        if (clip.isEmpty()) {
            continue;
        }
        painter.save();
        painter.setClipRect(clip);
        g->applyAntialiasingHint(&painter);
        g->paint(&painter, fromPixel);
        painter.restore();
    }
}

void PlotCanvas::refreshGraphs() {
    // Refilling the graphs of a long history after the view moved is most of a full
    // redraw: those refills are shared with a second core. Small ones are not worth the
    // hand-over.
    constexpr qint64 kShareFrom = 50000;
    std::vector<DecimatedGraph*> large;
    for (DecimatedGraph* g : graphs_) {
        if (g->refillColumns() >= kShareFrom) {
            large.push_back(g);
        } else {
            g->refresh();
        }
    }
    runAlongside(large.size(), [&large](std::size_t i) { large[i]->refresh(); });
}

void PlotCanvas::draw(QCPPainter* painter) {
    refreshGraphs();
    const bool exporting = painter->modes().testFlag(QCPPainter::pmNoCaching) ||
                           painter->modes().testFlag(QCPPainter::pmVectorized);
    if (exporting) {
        // An export (a picture of another size, or vector lines): drawn straight, the kept
        // picture is left as it is. The graphs were refilled for this geometry, so the next
        // screen redraw repaints in full.
        paintGraphs(*painter, DecimatedGraph::kAllChanged);
        return;
    }
    if (!opaque()) {
        // Blending twice would not give the very pixels: draw straight onto the plot.
        picture_ = QImage();
        painted_ = Setting{};
        paintGraphs(*painter, DecimatedGraph::kAllChanged);
        for (DecimatedGraph* g : graphs_) {
            g->markPainted();
        }
        ++fullRepaints_;
        return;
    }
    const Setting now = currentSetting();
    bool full = picture_.isNull() || !(now == painted_);
    int from = DecimatedGraph::kNothingChanged;
    for (const DecimatedGraph* g : graphs_) {
        if (!full && g->visible()) {
            const int changed = g->changedFromPixel();
            full = changed == DecimatedGraph::kAllChanged ||
                   (changed != DecimatedGraph::kNothingChanged && !g->paintsPartly());
            from = std::min(from, changed);
        }
    }
    if (full) {
        if (picture_.size() != now.deviceSize) {
            picture_ = QImage(now.deviceSize, QImage::Format_ARGB32_Premultiplied);
        }
        picture_.setDevicePixelRatio(now.pixelRatio);
        picture_.fill(Qt::transparent);
        QCPPainter p(&picture_);
        paintGraphs(p, DecimatedGraph::kAllChanged);
        ++fullRepaints_;
    } else if (from != DecimatedGraph::kNothingChanged) {
        QCPPainter p(&picture_);
        p.save();
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(QRectF(from, 0, picture_.width(), picture_.height()), Qt::transparent);
        p.restore();
        paintGraphs(p, from);
        ++partialRepaints_;
    }
    for (DecimatedGraph* g : graphs_) {
        g->markPainted();
    }
    painted_ = now;
    // The layer has clipped the painter to the graphs' area; copy just that.
    const QRect area =
        clipRect().translated(0, -1) & QRect(QPoint(0, 0), parentPlot()->viewport().size());
    const double r = now.pixelRatio;
    painter->drawImage(QRectF(area), picture_,
                       QRectF(area.x() * r, area.y() * r, area.width() * r, area.height() * r));
}

}  // namespace quorlin
