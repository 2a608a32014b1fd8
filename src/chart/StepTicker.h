#pragma once

#include <qcustomplot.h>

namespace quorlin {

// An axis ticker whose labels are the system's number texts with the digits the tick step
// needs, so that adjacent labels differ at any zoom (six significant digits, the plot's
// default, read "6.77563" under every tick of a narrow view).
class StepTicker : public QCPAxisTicker {
  protected:
    QVector<double> createTickVector(double tickStep, const QCPRange& range) override;
    QVector<QString> createLabelVector(const QVector<double>& ticks, const QLocale& locale,
                                       QChar formatChar, int precision) override;

  private:
    double step_ = 0;  // of the ticks being made
};

}  // namespace quorlin
