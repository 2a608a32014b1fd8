#pragma once

namespace quorlin {

// How far the operator may zoom an axis of the chart, the same for every window that shows
// one.
//
// In: down to a span where doubles still tell the pixel columns apart and the tick labels
// (up to 15 significant digits) still differ, and no finer than a billionth of what there
// is to see. Out: up to a few times what there is to see, so the data never shrinks to a
// speck far out of sight. What there is to see (the reference) is the caller's: the extent
// of the history together with the range the program gives the axis.
struct AxisSpan {
    double lower = 0;
    double upper = 0;
    double size() const { return upper - lower; }
    bool operator==(const AxisSpan&) const = default;
};

// The widest span an operator's zoom may give an axis measured against `reference`.
double widestZoomSpan(AxisSpan reference);
// The narrowest span around values of the magnitude `around`.
double narrowestZoomSpan(AxisSpan reference, double around);

// `now` scaled by `factor` (below 1 zooms in) around `centre`, which keeps its place, the
// span held within the limits. A zoom never moves the span away from its limit: zooming
// out of a view already wider than the widest (the program's own range may be) leaves it.
AxisSpan zoomedSpan(AxisSpan now, double centre, double factor, AxisSpan reference);

}  // namespace quorlin
