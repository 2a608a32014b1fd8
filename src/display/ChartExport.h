#pragma once

#include <QString>

#include <optional>

namespace quorlin {

class QCustomPlotChart;

enum class ChartFileType { Png, Svg, Pdf };

// By the file name's extension (any case); none for any other.
std::optional<ChartFileType> chartFileTypeOf(const QString& path);

// The file dialog's filter for the three types, PNG first.
QString chartFileFilter();

// Writes the chart as it is shown (ranges, colours, captions, frozen or not), chosen by the
// file name's extension: PNG at the plot's size on screen, or pngWidth pixels wide at the same
// aspect ratio; SVG and PDF as vector pictures of the plot's size. Throws AppError (path/file
// access error) when the type is unknown or the file cannot be written; nothing is left
// behind then.
void exportChart(QCustomPlotChart& chart, const QString& path, int pngWidth = 0);

}  // namespace quorlin
