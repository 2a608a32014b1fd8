#pragma once

#include "acquisition/AcquisitionValues.h"
#include "chart/PointTable.h"
#include "common/Channel.h"
#include "common/ErrorHandler.h"
#include "platform/Chart.h"

#include <memory>

namespace quorlin {

// The "Continuous" graph method: every plot shows the whole history of its channel's run.
// Each scan fills the last column of the tables, hands the tables to the chart and opens a
// new empty column. The chart shares the tables, so a scan costs the same however long the
// run has been going. The tables of one run share one x row.
class PlotArrays {
  public:
    PlotArrays(AcquisitionValues& values, Chart& chart, ErrorHandler& errors);

    // Fresh tables of one empty column each (start and end of a run). The chart keeps the
    // old tables until it is cleared or handed the new ones.
    void ResetPlotHistory();

    // Append the current scan with volts / scaled values and redraw all eight plots.
    void PlotVoltArrays();
    void PlotScaleArrays();

    const PerChannel<std::shared_ptr<PointTable>>& PlotHistory() const { return history_; }

  private:
    void plot(const PerChannel<double>& values, const char* procedure);

    AcquisitionValues& values_;
    Chart& chart_;
    ErrorHandler& errors_;
    PerChannel<std::shared_ptr<PointTable>> history_;
};

}  // namespace quorlin
