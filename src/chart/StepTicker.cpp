#include "chart/StepTicker.h"

#include "common/NumberText.h"

namespace quorlin {

QVector<double> StepTicker::createTickVector(double tickStep, const QCPRange& range) {
    step_ = tickStep;
    return QCPAxisTicker::createTickVector(tickStep, range);
}

QVector<QString> StepTicker::createLabelVector(const QVector<double>& ticks, const QLocale&, QChar,
                                               int) {
    QVector<QString> labels;
    labels.reserve(ticks.size());
    for (double tick : ticks) {
        labels.append(stepNumberText(tick, step_));
    }
    return labels;
}

}  // namespace quorlin
