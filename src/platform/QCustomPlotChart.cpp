#include "platform/QCustomPlotChart.h"

#include "chart/DecimatedGraph.h"
#include "chart/PlotCanvas.h"
#include "common/AppError.h"

#include <qcustomplot.h>

#include <algorithm>

namespace quorlin {

namespace {
// Until the settings' colours are applied: distinct lines, readable on black.
constexpr std::array<ColourValue, 8> kInitialColours = {
    rgbValue(255, 255, 0), rgbValue(0, 255, 0), rgbValue(0, 255, 255),   rgbValue(255, 0, 255),
    rgbValue(255, 128, 0), rgbValue(255, 0, 0), rgbValue(128, 128, 255), rgbValue(255, 255, 255),
};
// Room the automatic X range leaves after the last point, as a part of the data's span.
constexpr double kAutoRangeRoom = 1.125;
}  // namespace

QCustomPlotChart::QCustomPlotChart(QWidget* parent)
    : plot_(new QCustomPlot(parent)), redraws_([this] { redraw(); }) {
    plot_->setObjectName(QStringLiteral("CWGraph1"));
    // Aliased lines: the decimated picture is then the one every point would give.
    plot_->setNotAntialiasedElements(QCP::aePlottables);
    plot_->xAxis->setLabel(QStringLiteral("Seconds"));
    plot_->yAxis->setLabel(QStringLiteral("Volts"));
    plot_->xAxis->setRange(0, 10);
    plot_->yAxis->setRange(yMinimum_, yMaximum_);
    plot_->axisRect()->setBackground(QBrush(toQColor(background_)));
    // The graphs sit on a hidden layer; the canvas on the main layer paints them, in their
    // order, into a picture it keeps between redraws.
    const QString source = QStringLiteral("plotSource");
    plot_->addLayer(source, plot_->layer(QStringLiteral("main")), QCustomPlot::limBelow);
    plot_->layer(source)->setVisible(false);
    plot_->setCurrentLayer(source);
    for (std::size_t i = 0; i < graphs_.size(); ++i) {
        graphs_[i] = new DecimatedGraph(plot_->xAxis, plot_->yAxis);  // owned by the plot
        graphs_[i]->setPen(QPen(toQColor(kInitialColours[i])));
    }
    plot_->setCurrentLayer(QStringLiteral("main"));
    canvas_ = new PlotCanvas(plot_, plot_->axisRect(),
                             std::vector<DecimatedGraph*>(graphs_.begin(), graphs_.end()));
}

QCustomPlotChart::~QCustomPlotChart() {
    if (plot_ && !plot_->parent()) {
        delete plot_.data();
    }
}

QWidget* QCustomPlotChart::widget() const {
    return plot_;
}

DecimatedGraph* QCustomPlotChart::graph(int plot) const {
    if (plot < 1 || plot > static_cast<int>(graphs_.size()) || !plot_) {
        throw AppError(ErrorNumber::SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
    }
    return graphs_[static_cast<std::size_t>(plot - 1)];
}

void QCustomPlotChart::markDirty() {
    redraws_.request();
}

void QCustomPlotChart::clear() {
    for (std::size_t i = 0; i < graphs_.size(); ++i) {
        own_[i].reset();
        if (plot_) {
            graphs_[i]->setSource(nullptr);
        }
    }
    markDirty();
}

void QCustomPlotChart::setYCaption(const QString& caption) {
    if (plot_) {
        plot_->yAxis->setLabel(caption);
    }
    markDirty();
}

void QCustomPlotChart::setYMaximum(double value) {
    yMaximum_ = value;
    showPrescribed();
    markDirty();
}

void QCustomPlotChart::setYMinimum(double value) {
    yMinimum_ = value;
    showPrescribed();
    markDirty();
}

void QCustomPlotChart::setXRange(double minimum, double maximum) {
    xAuto_ = false;
    xFixed_ = QCPRange(minimum, maximum);
    showPrescribed();
    markDirty();
}

// The program's ranges reach the axes that the operator does not hold, unless the view is
// frozen; the automatic X range is applied at the next redraw.
void QCustomPlotChart::showPrescribed() {
    if (!plot_ || frozen_) {
        return;
    }
    if (!yHeld_) {
        plot_->yAxis->setRange(yMinimum_, yMaximum_);
    }
    if (!xHeld_ && !xAuto_) {
        plot_->xAxis->setRange(xFixed_.lower, xFixed_.upper);
    }
}

void QCustomPlotChart::setViewXRange(double lower, double upper) {
    if (!plot_ || !QCPRange::validRange(lower, upper)) {
        return;
    }
    xHeld_ = true;
    plot_->xAxis->setRange(lower, upper);
    markDirty();
}

void QCustomPlotChart::setViewYRange(double lower, double upper) {
    if (!plot_ || !QCPRange::validRange(lower, upper)) {
        return;
    }
    yHeld_ = true;
    plot_->yAxis->setRange(lower, upper);
    markDirty();
}

void QCustomPlotChart::setFrozen(bool frozen) {
    if (frozen == frozen_) {
        return;
    }
    frozen_ = frozen;
    for (DecimatedGraph* g : graphs_) {
        g->setFrozen(frozen);
    }
    showPrescribed();
    markDirty();
}

void QCustomPlotChart::followRun() {
    xHeld_ = false;
    yHeld_ = false;
    setFrozen(false);
    showPrescribed();
    if (xAuto_ && plot_) {
        applyXAutoRange(true);
    }
    markDirty();
}

bool QCustomPlotChart::plotValueAt(int plot, double x, double& y) const {
    return graph(plot)->valueAt(x, y);
}

bool QCustomPlotChart::plotVisible(int plot) const {
    return graph(plot)->visible();
}

ColourValue QCustomPlotChart::plotColour(int plot) const {
    return fromQColor(graph(plot)->pen().color());
}

void QCustomPlotChart::setXAutoRange() {
    xAuto_ = true;
    markDirty();
}

void QCustomPlotChart::setPlotVisible(int plot, bool visible) {
    graph(plot)->setVisible(visible);
    markDirty();
}

void QCustomPlotChart::setPlotColour(int plot, ColourValue colour) {
    DecimatedGraph* g = graph(plot);
    QPen pen = g->pen();
    pen.setColor(toQColor(colour));
    g->setPen(pen);
    markDirty();
}

void QCustomPlotChart::setBackgroundColour(ColourValue colour) {
    background_ = colour;
    if (plot_) {
        plot_->axisRect()->setBackground(QBrush(toQColor(colour)));
    }
    markDirty();
}

void QCustomPlotChart::replacePlotData(int plot, std::shared_ptr<const PointTable> table) {
    DecimatedGraph* g = graph(plot);
    own_[static_cast<std::size_t>(plot - 1)].reset();
    g->setSource(std::move(table));
    markDirty();
}

void QCustomPlotChart::appendPoint(int plot, double x, double y) {
    DecimatedGraph* g = graph(plot);
    std::shared_ptr<PointTable>& own = own_[static_cast<std::size_t>(plot - 1)];
    if (!own) {
        own = std::make_shared<PointTable>();
        // Appending after a replace: the shared table must not change, so carry what the
        // plot shows over into a table of its own (once).
        if (const std::shared_ptr<const PointTable>& shown = g->source()) {
            for (qint64 c = 0; c < shown->columnCount(); ++c) {
                if (shown->isFilled(c)) {
                    own->setLast(shown->x(c), shown->y(c));
                    own->addEmptyColumn();
                }
            }
        }
        g->setSource(own);
    }
    own->setLast(x, y);
    own->addEmptyColumn();
    markDirty();
}

// The axis runs from the first x to a little beyond the last, and moves on only when the
// data leaves it (or fills less than half of it). Between moves every point keeps its pixel
// column, so a redraw only redoes the last pixel column of each plot: per scan the cost
// does not grow with the run. `force` puts it there at once (return from the operator's view).
void QCustomPlotChart::applyXAutoRange(bool force) {
    double lower = 0;
    double upper = 0;
    bool found = false;
    for (const DecimatedGraph* g : graphs_) {
        double lo = 0;
        double hi = 0;
        if (g->sourceKeyRange(lo, hi)) {
            lower = found ? std::min(lower, lo) : lo;
            upper = found ? std::max(upper, hi) : hi;
            found = true;
        }
    }
    if (!found) {
        return;  // no data: the axis keeps its range
    }
    QCPAxis* axis = plot_->xAxis;
    const QCPRange now = axis->range();
    const double span = upper - lower;
    if (!QCPRange::validRange(lower, lower + span * kAutoRangeRoom)) {
        axis->setRange(lower - now.size() / 2, lower + now.size() / 2);
        return;
    }
    if (force || now.lower != lower || now.upper < upper ||
        now.size() > 2 * span * kAutoRangeRoom) {
        axis->setRange(lower, lower + span * kAutoRangeRoom);
    }
}

void QCustomPlotChart::redrawNow() {
    redraws_.runNow();
}

void QCustomPlotChart::redraw() {
    if (!plot_) {
        return;
    }
    if (xAuto_ && !xHeld_ && !frozen_) {
        applyXAutoRange(false);
    }
    plot_->replot(QCustomPlot::rpQueuedRefresh);
}

qint64 QCustomPlotChart::drawnPointCount(int plot) const {
    return graph(plot)->drawnPointCount();
}

std::size_t QCustomPlotChart::memoryBytes() const {
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < graphs_.size(); ++i) {
        if (own_[i]) {
            bytes += own_[i]->memoryBytes();
        }
        if (plot_) {
            bytes += graphs_[i]->drawingBytes();
        }
    }
    return bytes + (plot_ ? canvas_->memoryBytes() : 0);
}

qint64 QCustomPlotChart::fullRepaintCount() const {
    return plot_ ? canvas_->fullRepaints() : 0;
}

qint64 QCustomPlotChart::partialRepaintCount() const {
    return plot_ ? canvas_->partialRepaints() : 0;
}

}  // namespace quorlin
