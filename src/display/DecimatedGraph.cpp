#include "display/DecimatedGraph.h"

#include "display/M4Decimation.h"

#include <algorithm>

namespace quorlin {

DecimatedGraph::DecimatedGraph(QCPAxis* keyAxis, QCPAxis* valueAxis)
    : QCPGraph(keyAxis, valueAxis) {
    // The points handed over are already the per-pixel set; the base class' own sampling
    // would walk them again and is not pixel-exact.
    setAdaptiveSampling(false);
}

void DecimatedGraph::setSource(std::shared_ptr<const PointTable> table) {
    source_ = std::move(table);
    valid_ = false;
}

bool DecimatedGraph::sourceKeyRange(double& lower, double& upper) const {
    if (!source_ || source_->filledCount() == 0) {
        return false;
    }
    const PointTable& t = *source_;
    if (t.isOrdered()) {
        lower = t.x(0);
        upper = t.x(t.filledCount() - 1);
        return true;
    }
    bool found = false;
    for (qint64 c = 0; c < t.columnCount(); ++c) {
        if (t.isFilled(c) && std::isfinite(t.x(c))) {
            lower = found ? std::min(lower, t.x(c)) : t.x(c);
            upper = found ? std::max(upper, t.x(c)) : t.x(c);
            found = true;
        }
    }
    return found;
}

void DecimatedGraph::refresh() {
    QCPAxis* key = keyAxis();
    if (!key) {
        return;
    }
    const QRect rect = key->axisRect()->rect();
    const FillKey now{source_.get(),      source_ ? source_->revision() : 0,
                      key->range().lower, key->range().upper,
                      rect.left(),        rect.width()};
    if (valid_ && now == filled_) {
        return;
    }
    filled_ = now;
    valid_ = true;
    QSharedPointer<QCPGraphDataContainer> container = data();
    container->clear();
    if (!source_) {
        columns_.clear();
        return;
    }
    const PointTable& t = *source_;
    m4Columns(
        t, rect.left(), rect.left() + rect.width(),
        [key](double x) { return key->coordToPixel(x); }, columns_);
    if (t.isOrdered()) {
        for (qint64 c : columns_) {
            container->add(QCPGraphData(t.x(c), t.y(c)));
        }
    } else {
        // Out-of-order points are drawn in x order, keeping column order among equal x.
        std::stable_sort(columns_.begin(), columns_.end(),
                         [&t](qint64 a, qint64 b) { return t.x(a) < t.x(b); });
        QVector<QCPGraphData> points;
        points.reserve(static_cast<qsizetype>(columns_.size()));
        for (qint64 c : columns_) {
            points.append(QCPGraphData(t.x(c), t.y(c)));
        }
        container->set(points, true);
    }
}

void DecimatedGraph::draw(QCPPainter* painter) {
    refresh();
    QCPGraph::draw(painter);
}

void DecimatedGraph::drawLinePlot(QCPPainter* painter, const QVector<QPointF>& lines) const {
    if (painter->pen().style() == Qt::NoPen || painter->pen().color().alpha() == 0) {
        return;
    }
    applyDefaultAntialiasingHint(painter);
    if (!painter->modes().testFlag(QCPPainter::pmVectorized) &&
        qFuzzyCompare(painter->pen().widthF(), 1.0)) {
        QPen cosmetic = painter->pen();
        cosmetic.setWidth(0);
        painter->setPen(cosmetic);
    }
    auto drawable = [](const QPointF& p) { return !qIsNaN(p.x()) && !qIsNaN(p.y()); };
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (drawable(lines[i - 1]) && drawable(lines[i])) {
            painter->drawLine(lines[i - 1], lines[i]);  // rounded to whole pixels when aliased
        }
    }
}

std::size_t DecimatedGraph::drawingBytes() const {
    return columns_.capacity() * sizeof(qint64) +
           static_cast<std::size_t>(data()->size()) * sizeof(QCPGraphData);
}

}  // namespace quorlin
