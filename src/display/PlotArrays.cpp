#include "display/PlotArrays.h"

#include "common/AppError.h"
#include "common/NumberText.h"

#include <new>

namespace quorlin {

PlotArrays::PlotArrays(AcquisitionValues& values, Chart& chart, ErrorHandler& errors)
    : values_(values), chart_(chart), errors_(errors) {
    ResetPlotHistory();
}

void PlotArrays::ResetPlotHistory() {
    // One scan, one time: the eight tables share their x row.
    const auto times = std::make_shared<ScanTimes>();
    for (auto& table : history_) {
        table = std::make_shared<PointTable>(times);
    }
}

void PlotArrays::PlotVoltArrays() {
    plot(values_.ChannelVolts, "PlotVoltArrays");
}

void PlotArrays::PlotScaleArrays() {
    plot(values_.ChannelScaled, "PlotScaleArrays");
}

void PlotArrays::plot(const PerChannel<double>& channelValues, const char* procedure) {
    try {
        try {
            const double seconds = leadingNumber(values_.ElapsedTimeText);
            for (int k = 0; k < kChannelCount; ++k) {
                history_[k]->setLast(seconds, channelValues[k]);
            }
            for (int k = 0; k < kChannelCount; ++k) {
                chart_.replacePlotData(plotOfChannel(k), history_[k]);
            }
            for (int k = 0; k < kChannelCount; ++k) {
                history_[k]->addEmptyColumn();
            }
        } catch (const std::bad_alloc&) {
            // A run long enough to exhaust memory is reported like any other failure.
            throw AppError(ErrorNumber::OutOfMemory, QStringLiteral("Out of memory"));
        }
    } catch (const AppError& e) {
        errors_.SimpleErrorHandler(e.number, QString::fromLatin1(procedure), QStringLiteral("Main"),
                                   e.description);
    }
}

}  // namespace quorlin
