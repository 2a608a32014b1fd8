#include "chart/DecimatedGraph.h"

#include "chart/M4Decimation.h"
#include "chart/RowSpans.h"
#include "chart/SegmentClip.h"

#include <algorithm>
#include <cmath>

namespace quorlin {

DecimatedGraph::DecimatedGraph(QCPAxis* keyAxis, QCPAxis* valueAxis)
    : QCPGraph(keyAxis, valueAxis) {
    // The points handed over are already the per-pixel set; the base class' own sampling
    // would walk them again and is not pixel-exact.
    setAdaptiveSampling(false);
}

void DecimatedGraph::setSource(std::shared_ptr<const PointTable> table) {
    source_ = std::move(table);
    if (!frozen_) {
        show(source_, -1);
    }
}

void DecimatedGraph::show(std::shared_ptr<const PointTable> table, qint64 limit) {
    if (table.get() != shown_.get() || limit != shownLimit_) {
        filledTable_ = nullptr;  // another table, even at a reused address: fill afresh
        resume_.valid = false;
    }
    shown_ = std::move(table);
    shownLimit_ = limit;
}

void DecimatedGraph::setFrozen(bool frozen) {
    if (frozen == frozen_) {
        return;
    }
    frozen_ = frozen;
    if (!frozen) {
        show(source_, -1);
        return;
    }
    // A filled column is final once an empty one follows it; the last column, empty or
    // not, may still be (re)written, so a filled last column counts as it is now.
    qint64 limit = shown_ ? shown_->columnCount() : 0;
    if (limit > 0 && !shown_->isFilled(limit - 1)) {
        --limit;
    }
    show(shown_, limit);
}

qint64 DecimatedGraph::shownColumns() const {
    if (!shown_) {
        return 0;
    }
    const PointTable& t = *shown_;
    const qint64 all = t.isOrdered() ? t.filledCount() : t.columnCount();
    return shownLimit_ >= 0 ? std::min(shownLimit_, all) : all;
}

bool DecimatedGraph::valueAt(double x, double& y) const {
    if (!shown_ || !std::isfinite(x)) {
        return false;
    }
    const PointTable& t = *shown_;
    const qint64 n = shownColumns();
    double lower = 0;
    double upper = 0;
    if (n == 0 || !sourceKeyRange(lower, upper) || x < lower || x > upper) {
        return false;
    }
    if (t.isOrdered()) {
        // First column at or right of x, then the nearer of it and the one before.
        qint64 lo = 0;
        qint64 hi = n;
        while (lo < hi) {
            const qint64 mid = lo + (hi - lo) / 2;
            if (t.x(mid) < x) {
                lo = mid + 1;
            } else {
                hi = mid;
            }
        }
        qint64 c = std::min(lo, n - 1);
        if (c > 0 && x - t.x(c - 1) <= t.x(c) - x) {
            c = c - 1;
        }
        y = t.y(c);
        return true;
    }
    bool found = false;
    double best = 0;
    for (qint64 c = 0; c < n; ++c) {
        if (t.isFilled(c) && std::isfinite(t.x(c)) && (!found || std::abs(t.x(c) - x) < best)) {
            best = std::abs(t.x(c) - x);
            y = t.y(c);
            found = true;
        }
    }
    return found;
}

bool DecimatedGraph::sourceKeyRange(double& lower, double& upper) const {
    const qint64 n = shownColumns();
    if (!shown_ || n == 0 || shown_->filledCount() == 0) {
        return false;
    }
    const PointTable& t = *shown_;
    if (t.isOrdered()) {
        lower = t.x(0);
        upper = t.x(n - 1);
        return true;
    }
    bool found = false;
    for (qint64 c = 0; c < n; ++c) {
        if (t.isFilled(c) && std::isfinite(t.x(c))) {
            lower = found ? std::min(lower, t.x(c)) : t.x(c);
            upper = found ? std::max(upper, t.x(c)) : t.x(c);
            found = true;
        }
    }
    return found;
}

DecimatedGraph::Mapping DecimatedGraph::currentMapping() const {
    const QCPAxis* key = keyAxis();
    const QRect rect = key->axisRect()->rect();
    Mapping m{key->range().lower, key->range().upper, rect.left(), rect.width(), false};
    // The axis' own mapping, inlined: a redraw maps some ten thousand x values. Used only
    // where it gives the axis' very numbers, checked on the table's ends.
    m.inlined = key->scaleType() == QCPAxis::stLinear && !key->rangeReversed() &&
                key->orientation() == Qt::Horizontal;
    for (qint64 c : {qint64{0}, shownColumns() - 1}) {
        if (m.inlined && c >= 0 && shown_->isFilled(c)) {
            m.inlined = m.toPixel(shown_->x(c)) == key->coordToPixel(shown_->x(c));
        }
    }
    return m;
}

qint64 DecimatedGraph::refillColumns() const {
    if (!keyAxis() || !shown_ ||
        (shown_.get() == filledTable_ && valid_ && currentMapping() == filledMapping_)) {
        return 0;
    }
    return shownColumns();
}

void DecimatedGraph::refresh() {
    QCPAxis* key = keyAxis();
    if (!key) {
        return;
    }
    const PointTable* table = shown_.get();
    if (!table) {
        unchangedPrefix_ = 0;
        valid_ = false;
        filledTable_ = nullptr;
        resume_.valid = false;
        columns_.clear();
        points_.clear();
        data()->clear();
        return;
    }
    const PointTable& t = *table;
    const Mapping mapping = currentMapping();
    if (table == filledTable_ && mapping == filledMapping_) {
        // A frozen graph's columns do not change while the table grows past them.
        if (valid_ && (t.revision() == filledRevision_ || frozen_)) {
            return;
        }
    } else {
        resume_.valid = false;
    }
    filledTable_ = table;
    filledMapping_ = mapping;
    filledRevision_ = t.revision();
    valid_ = true;

    const int left = mapping.left;
    const int right = mapping.left + mapping.width;
    std::size_t kept = 0;
    if (mapping.inlined) {
        kept = m4Columns(
            t, left, right, [&mapping](double x) { return mapping.toPixel(x); }, columns_, &resume_,
            shownLimit_);
    } else {
        kept = m4Columns(
            t, left, right, [key](double x) { return key->coordToPixel(x); }, columns_, &resume_,
            shownLimit_);
    }
    if (!t.isOrdered()) {
        // Out-of-order points are drawn in x order, keeping column order among equal x.
        std::stable_sort(columns_.begin(), columns_.end(),
                         [&t](qint64 a, qint64 b) { return t.x(a) < t.x(b); });
        kept = 0;
    }
    unchangedPrefix_ = std::min(unchangedPrefix_, static_cast<qsizetype>(kept));
    points_.resize(static_cast<qsizetype>(kept));
    constexpr std::size_t kAhead = 16;  // reads of far apart columns, asked for ahead
    for (std::size_t i = kept; i < columns_.size(); ++i) {
        if (i + kAhead < columns_.size()) {
            t.prefetchColumn(columns_[i + kAhead]);
        }
        points_.append(QCPGraphData(t.x(columns_[i]), t.y(columns_[i])));
    }
    data()->set(points_, true);
}

int DecimatedGraph::changedFromPixel() const {
    if (unchangedPrefix_ == painted_ && unchangedPrefix_ == points_.size()) {
        return kNothingChanged;
    }
    if (unchangedPrefix_ == 0 || !keyAxis()) {
        return kAllChanged;
    }
    // The last point left as it was: the lines from it on may have changed.
    const double p = keyAxis()->coordToPixel(points_[unchangedPrefix_ - 1].key);
    return std::abs(p) < 1e9 ? qRound(p) : kAllChanged;
}

void DecimatedGraph::markPainted() {
    painted_ = points_.size();
    unchangedPrefix_ = painted_;
}

bool DecimatedGraph::paintsPartly() const {
    const QCPAxis* key = keyAxis();
    return key && valueAxis() && key->scaleType() == QCPAxis::stLinear && !key->rangeReversed() &&
           key->orientation() == Qt::Horizontal && lineStyle() == lsLine &&
           scatterStyle().isNone() && brush().style() == Qt::NoBrush && !selected() &&
           (!shown_ || shown_->isOrdered());
}

void DecimatedGraph::paint(QCPPainter* painter, int fromPixel) {
    if (fromPixel == kAllChanged || !paintsPartly()) {
        QCPGraph::draw(painter);
        return;
    }
    const QCPAxis* key = keyAxis();
    const QCPAxis* value = valueAxis();
    if (key->range().size() <= 0 || points_.isEmpty()) {
        return;
    }
    // The points the base class would draw: those in the key range and one on each side.
    auto byKey = [](const QCPGraphData& a, const QCPGraphData& b) { return a.key < b.key; };
    auto begin = std::lower_bound(points_.cbegin(), points_.cend(),
                                  QCPGraphData(key->range().lower, 0), byKey);
    if (begin != points_.cbegin()) {
        --begin;
    }
    auto end = std::upper_bound(points_.cbegin(), points_.cend(),
                                QCPGraphData(key->range().upper, 0), byKey);
    if (end != points_.cend()) {
        ++end;
    }
    // Of those, the first in a pixel column at or right of fromPixel and the one before it
    // (its line enters that column). Lines are independent of each other once their ends
    // are rounded, so the ones left out draw nothing from fromPixel on.
    auto pixel = [key](double k) { return std::clamp(key->coordToPixel(k), -1e9, 1e9); };
    auto first = std::partition_point(
        begin, end, [&](const QCPGraphData& d) { return qRound(pixel(d.key)) < fromPixel; });
    if (first != begin) {
        --first;
    }
    QVector<QPointF> lines;
    lines.reserve(end - first);
    for (auto it = first; it != end; ++it) {
        lines.append(QPointF(key->coordToPixel(it->key), value->coordToPixel(it->value)));
    }
    painter->setPen(pen());
    painter->setBrush(Qt::NoBrush);
    drawLinePlot(painter, lines);
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
    const QRectF box = clipBox(clipRect());
    const bool aliased =
        !painter->antialiasing() && !painter->modes().testFlag(QCPPainter::pmVectorized);
    if (!aliased) {
        QVector<QLineF> segments;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            if (drawable(lines[i - 1]) && drawable(lines[i])) {
                QPointF a = finitePixel(lines[i - 1]);
                QPointF b = finitePixel(lines[i]);
                if (clipSegment(a, b, box)) {
                    segments.append(QLineF(a, b));
                }
            }
        }
        painter->drawLines(segments);
        return;
    }
    // Aliased, the ends are rounded to whole pixels (as QCPPainter::drawLine does), so the
    // segments between points of one pixel column are vertical. With capped ends each covers
    // both its end pixels, and together they cover exactly the column from the lowest to the
    // highest of those points: one line does the same with a third of the pixel writes. A
    // one-pixel opaque pen's vertical line is a one-pixel-wide rectangle, which the raster
    // engine fills row by row far faster than it strokes a line pixel by pixel; the runs of
    // neighbouring columns are filled together as rows (rowSpans).
    // Everything is cut to the clip box before rounding: a vertical run far above or below
    // the area is held at the box' edge, a segment is clipped to the box.
    const QPen& pen = painter->pen();
    const bool capped = pen.capStyle() != Qt::FlatCap;
    const bool asBars =
        capped && pen.isCosmetic() && pen.style() == Qt::SolidLine && pen.color().alpha() == 255;
    QVector<QLine> segments;
    std::vector<ColumnRun> bars;
    qsizetype run = 0;  // points in the current same-column run
    int runX = 0;
    int runLow = 0;
    int runHigh = 0;
    auto flush = [&] {
        if (run > 1 && asBars) {
            bars.push_back(ColumnRun{runX, runLow, runHigh});
        } else if (run > 1) {
            segments.append(QLine(runX, runLow, runX, runHigh));
        }
        run = 0;
    };
    auto boxRow = [&](double y) { return qRound(std::clamp(y, box.top(), box.bottom())); };
    QPointF previous;
    bool hasPrevious = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!drawable(lines[i])) {
            flush();
            hasPrevious = false;
            continue;
        }
        const QPointF p = finitePixel(lines[i]);
        const bool inColumns = p.x() >= box.left() && p.x() <= box.right();
        if (run > 0 && capped && inColumns && qRound(p.x()) == runX) {
            runLow = std::min(runLow, boxRow(p.y()));
            runHigh = std::max(runHigh, boxRow(p.y()));
            ++run;
        } else {
            flush();
            QPointF a = previous;
            QPointF b = p;
            if (hasPrevious && clipSegment(a, b, box)) {
                segments.append(QLine(a.toPoint(), b.toPoint()));
            }
            if (inColumns) {
                run = 1;
                runX = qRound(p.x());
                runLow = runHigh = boxRow(p.y());
            }
        }
        previous = p;
        hasPrevious = true;
    }
    flush();
    painter->drawLines(segments);
    // A fill costs a call and then a memory access per row: rows only pay off where the runs
    // are tall (a long history in view), short runs are filled as they are.
    constexpr qint64 kTallRun = 32;
    qint64 pixels = 0;
    for (const ColumnRun& bar : bars) {
        pixels += bar.bottom - bar.top + 1;
    }
    std::vector<QRect> rects;
    if (pixels >= kTallRun * static_cast<qint64>(bars.size())) {
        // Rows beyond the area are clipped away by the painter; none are worth filling.
        const QRect area = clipRect();
        rowSpans(bars, area.top() - 1, area.bottom() + 1, rects);
    } else {
        for (const ColumnRun& bar : bars) {
            rects.emplace_back(bar.x, bar.top, 1, bar.bottom - bar.top + 1);
        }
    }
    for (const QRect& rect : rects) {
        painter->fillRect(rect, pen.color());
    }
}

std::size_t DecimatedGraph::drawingBytes() const {
    return columns_.capacity() * sizeof(qint64) +
           static_cast<std::size_t>(points_.capacity() + data()->size()) * sizeof(QCPGraphData);
}

}  // namespace quorlin
