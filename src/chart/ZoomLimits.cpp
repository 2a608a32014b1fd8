#include "chart/ZoomLimits.h"

#include <algorithm>
#include <cmath>

namespace quorlin {

namespace {
// Zoom out to this many times what there is to see.
constexpr double kWidestOfReference = 4;
// Zoom in to a billionth of it...
constexpr double kNarrowestOfReference = 1e-9;
// ...but never so far that a tick step (a fifth of the span) needs more than about 12 of
// the 15 significant digits a label shows, or a pixel column spans only a few ulps.
constexpr double kNarrowestOfMagnitude = 1e-10;

// A reference without extent (one point, one value) counts as its own magnitude, at least 1.
double referenceSize(AxisSpan reference) {
    const double size = reference.size();
    if (size > 0 && std::isfinite(size)) {
        return size;
    }
    const double magnitude = std::max(std::abs(reference.lower), std::abs(reference.upper));
    return std::isfinite(magnitude) ? std::max(1.0, magnitude) : 1.0;
}
}  // namespace

double widestZoomSpan(AxisSpan reference) {
    return kWidestOfReference * referenceSize(reference);
}

double narrowestZoomSpan(AxisSpan reference, double around) {
    return std::max(kNarrowestOfReference * referenceSize(reference),
                    kNarrowestOfMagnitude * std::abs(around));
}

AxisSpan zoomedSpan(AxisSpan now, double centre, double factor, AxisSpan reference) {
    const double span = now.size();
    if (!(span > 0) || !(factor > 0) || !std::isfinite(factor) || !std::isfinite(centre)) {
        return now;
    }
    double wanted = span * factor;
    if (factor > 1) {
        wanted = std::max(span, std::min(wanted, widestZoomSpan(reference)));
    } else {
        const double around =
            std::max({std::abs(centre), std::abs(now.lower), std::abs(now.upper)});
        wanted = std::min(span, std::max(wanted, narrowestZoomSpan(reference, around)));
    }
    if (wanted == span) {
        return now;
    }
    const double scale = wanted / span;
    return {centre + (now.lower - centre) * scale, centre + (now.upper - centre) * scale};
}

}  // namespace quorlin
