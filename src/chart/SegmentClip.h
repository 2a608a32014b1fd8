#pragma once

#include <QPointF>
#include <QRectF>

#include <algorithm>
#include <cmath>

namespace quorlin {

// Pixel coordinates of values far outside an axis' range can be beyond any integer, or
// infinite. Lines to them are cut, in double, at a box around the plot area (the area grown by
// kClipMargin on every side) before anything is rounded to whole pixels: what lies inside the
// area is the same line. The margin is wide enough that rounding a cut end moves the line
// inside the area by a small fraction of a pixel, and narrow enough that the rasteriser's
// fixed-point stepping stays exact over the line's length (a line thousands of times the
// area's height drifts by whole pixels there).
inline constexpr double kClipMargin = 4096;

inline QRectF clipBox(const QRect& area) {
    return QRectF(area).adjusted(-kClipMargin, -kClipMargin, kClipMargin, kClipMargin);
}

// Infinities become huge finite numbers of the same sign, so that a line towards them keeps
// its direction; NaN is left to the caller.
inline QPointF finitePixel(const QPointF& p) {
    constexpr double kFar = 1e300;
    return QPointF(std::clamp(p.x(), -kFar, kFar), std::clamp(p.y(), -kFar, kFar));
}

// Cuts the segment a-b (finite ends, see finitePixel) to `box`; false when nothing of it lies
// inside. Ends inside the box are left exactly as they are. An end outside is moved along
// the line to the box' edge, interpolating from the other end, which keeps the result precise
// even when the end moved is 1e300 away.
inline bool clipSegment(QPointF& a, QPointF& b, const QRectF& box) {
    enum : unsigned { Left = 1, Right = 2, Top = 4, Bottom = 8 };
    auto code = [&](const QPointF& p) {
        return (p.x() < box.left() ? Left : 0u) | (p.x() > box.right() ? Right : 0u) |
               (p.y() < box.top() ? Top : 0u) | (p.y() > box.bottom() ? Bottom : 0u);
    };
    for (int step = 0; step < 8; ++step) {
        const unsigned ca = code(a);
        const unsigned cb = code(b);
        if ((ca | cb) == 0) {
            return true;
        }
        if ((ca & cb) != 0) {
            return false;
        }
        QPointF& p = ca != 0 ? a : b;
        const QPointF o = ca != 0 ? b : a;
        const unsigned c = ca != 0 ? ca : cb;
        auto along = [](double from, double to, double share) {
            return from + (to - from) * share;
        };
        if (c & (Top | Bottom)) {
            const double edge = (c & Top) ? box.top() : box.bottom();
            p = QPointF(along(o.x(), p.x(), (edge - o.y()) / (p.y() - o.y())), edge);
        } else {
            const double edge = (c & Left) ? box.left() : box.right();
            p = QPointF(edge, along(o.y(), p.y(), (edge - o.x()) / (p.x() - o.x())));
        }
    }
    return false;
}

}  // namespace quorlin
