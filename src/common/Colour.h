#pragma once

#include <QColor>
#include <QtGlobal>

namespace quorlin {

// A colour value: red in the lowest byte, then green, then blue, top byte 0.
using ColourValue = qint32;

constexpr ColourValue rgbValue(int r, int g, int b) {
    return static_cast<ColourValue>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
inline QColor toQColor(ColourValue v) {
    return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}
inline ColourValue fromQColor(const QColor& c) { return rgbValue(c.red(), c.green(), c.blue()); }

}  // namespace quorlin
