#pragma once

#include "chart/PointTable.h"
#include "common/Colour.h"

#include <QString>

#include <memory>

namespace quorlin {

// What the system needs of the strip chart: eight plots (1..8; plot k+1 is channel k), an X
// axis "Seconds" and a Y axis whose caption is "Volts" or "Scale".
class Chart {
  public:
    virtual ~Chart() = default;

    virtual void clear() = 0;  // all data of all eight plots
    virtual void setYCaption(const QString& caption) = 0;
    virtual void setYMaximum(double value) = 0;
    virtual void setYMinimum(double value) = 0;
    virtual void setXRange(double minimum, double maximum) = 0;
    virtual void setXAutoRange() = 0;  // from now on the X axis follows the data
    virtual void setPlotVisible(int plot, bool visible) = 0;
    virtual void setPlotColour(int plot, ColourValue colour) = 0;
    virtual ColourValue backgroundColour() const = 0;
    virtual void setBackgroundColour(ColourValue colour) = 0;
    // The plot shows exactly the filled points of the table, in column order. The table is
    // shared, not copied: it may grow afterwards only by appending, and a later replace or
    // clear hands the plot a different table.
    virtual void replacePlotData(int plot, std::shared_ptr<const PointTable> table) = 0;
    virtual void appendPoint(int plot, double x, double y) = 0;
};

}  // namespace quorlin
