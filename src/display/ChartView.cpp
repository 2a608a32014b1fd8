#include "display/ChartView.h"

#include "common/Channel.h"
#include "common/Colour.h"
#include "common/NumberText.h"
#include "common/Rounding.h"
#include "platform/QCustomPlotChart.h"

#include <qcustomplot.h>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace quorlin {

namespace {
// Range factor per wheel notch, towards the pointer.
constexpr double kZoomPerStep = 0.85;

// A value rounded to some significant digits: the history may hold single precision, whose
// further digits say nothing.
double significant(double value, int digits) {
    if (value == 0 || !std::isfinite(value)) {
        return value;
    }
    const int magnitude = static_cast<int>(std::floor(std::log10(std::abs(value))));
    return roundHalfAwayFromZero(value, std::clamp(digits - 1 - magnitude, 0, 15));
}
}  // namespace

ChartView::ChartView(QCustomPlotChart& chart, QWidget* parent) : QWidget(parent), chart_(chart) {
    setObjectName(QStringLiteral("chartView"));
    QCustomPlot* plot = chart_.customPlot();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(plot, 1);

    auto* bar = new QHBoxLayout;
    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("lblViewState"));
    freeze_ = new QPushButton(QStringLiteral("Freeze"), this);
    freeze_->setObjectName(QStringLiteral("cmdFreeze"));
    freeze_->setCheckable(true);
    live_ = new QPushButton(QStringLiteral("Live"), this);
    live_->setObjectName(QStringLiteral("cmdLive"));
    for (QPushButton* b : {freeze_, live_}) {
        b->setFocusPolicy(Qt::NoFocus);  // the keys stay with the plot
    }
    bar->addWidget(state_, 1);
    bar->addWidget(freeze_);
    bar->addWidget(live_);
    layout->addLayout(bar);
    connect(freeze_, &QPushButton::clicked, this, [this] { toggleFreeze(); });
    connect(live_, &QPushButton::clicked, this, [this] { followRun(); });

    readout_ = new QLabel(plot);
    readout_->setObjectName(QStringLiteral("lblReadout"));
    readout_->setAttribute(Qt::WA_TransparentForMouseEvents);
    readout_->setTextFormat(Qt::RichText);
    readout_->setStyleSheet(QStringLiteral(
        "QLabel { background: rgba(0, 0, 0, 190); color: white; padding: 3px; border: 1px solid "
        "gray; }"));
    readout_->hide();

    plot->setMouseTracking(true);
    plot->setFocusPolicy(Qt::WheelFocus);
    plot->installEventFilter(this);
    showState();
}

QString ChartView::stateText() const {
    return state_->text();
}

QString ChartView::readoutText() const {
    return readout_->isHidden() ? QString() : readoutPlain_;
}

void ChartView::followRun() {
    chart_.followRun();
    showState();
}

void ChartView::toggleFreeze() {
    chart_.setFrozen(!chart_.frozen());
    showState();
}

void ChartView::showState() {
    QString text;
    if (chart_.frozen()) {
        text = QStringLiteral(
            "View frozen: sampling and recording go on. Space or Freeze "
            "resumes the picture.");
    } else if (!chart_.following()) {
        text = QStringLiteral(
            "Looking back: the view does not follow the run. Double-click, "
            "Home or Live follows it again.");
    }
    const bool changed = text != state_->text();
    state_->setText(text);
    freeze_->setChecked(chart_.frozen());
    live_->setEnabled(!chart_.following());
    if (changed) {
        emit stateChanged();
    }
}

bool ChartView::eventFilter(QObject* watched, QEvent* event) {
    QCustomPlot* plot = chart_.customPlot();
    if (watched != plot) {
        return QWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
        case QEvent::Wheel: {
            auto* e = static_cast<QWheelEvent*>(event);
            const QPoint at = e->position().toPoint();
            if (e->angleDelta().y() != 0 && plot->axisRect()->rect().contains(at)) {
                zoom(e->modifiers().testFlag(Qt::ControlModifier), at, e->angleDelta().y() / 120.0);
            }
            return true;
        }
        case QEvent::MouseButtonPress: {
            auto* e = static_cast<QMouseEvent*>(event);
            if (e->button() == Qt::LeftButton &&
                plot->axisRect()->rect().contains(e->position().toPoint())) {
                dragging_ = true;
                dragStart_ = e->position().toPoint();
                dragX_[0] = plot->xAxis->range().lower;
                dragX_[1] = plot->xAxis->range().upper;
                dragY_[0] = plot->yAxis->range().lower;
                dragY_[1] = plot->yAxis->range().upper;
            }
            return false;
        }
        case QEvent::MouseMove: {
            auto* e = static_cast<QMouseEvent*>(event);
            const QPoint at = e->position().toPoint();
            if (dragging_ && e->buttons().testFlag(Qt::LeftButton) && at != dragStart_) {
                pan(at);
            }
            updateReadout(at);
            return false;
        }
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                dragging_ = false;
            }
            return false;
        case QEvent::MouseButtonDblClick:
            dragging_ = false;
            followRun();
            return true;
        case QEvent::Leave:
            readout_->hide();
            return false;
        case QEvent::KeyPress: {
            auto* e = static_cast<QKeyEvent*>(event);
            if (e->modifiers() & ~Qt::KeypadModifier) {
                return false;
            }
            if (e->key() == Qt::Key_Home) {
                followRun();
                return true;
            }
            if (e->key() == Qt::Key_Space) {
                toggleFreeze();
                return true;
            }
            return false;
        }
        default:
            return false;
    }
}

// Zooms one axis around the pointer's coordinate, which stays under the pointer.
void ChartView::zoom(bool valueAxis, QPoint at, double steps) {
    QCustomPlot* plot = chart_.customPlot();
    QCPAxis* axis = valueAxis ? plot->yAxis : plot->xAxis;
    const double centre = axis->pixelToCoord(valueAxis ? at.y() : at.x());
    const double factor = std::pow(kZoomPerStep, steps);
    const QCPRange now = axis->range();
    const double lower = centre + (now.lower - centre) * factor;
    const double upper = centre + (now.upper - centre) * factor;
    if (valueAxis) {
        chart_.setViewYRange(lower, upper);
    } else {
        chart_.setViewXRange(lower, upper);
    }
    showState();
    updateReadout(at);
}

// Moves both axes with the pointer, measured from where the drag started.
void ChartView::pan(QPoint to) {
    QCustomPlot* plot = chart_.customPlot();
    const QRect area = plot->axisRect()->rect();
    if (area.width() <= 0 || area.height() <= 0) {
        return;
    }
    const double dx = (dragStart_.x() - to.x()) * (dragX_[1] - dragX_[0]) / area.width();
    const double dy = (to.y() - dragStart_.y()) * (dragY_[1] - dragY_[0]) / area.height();
    chart_.setViewXRange(dragX_[0] + dx, dragX_[1] + dx);
    chart_.setViewYRange(dragY_[0] + dy, dragY_[1] + dy);
    showState();
}

void ChartView::updateReadout(QPoint at) {
    QCustomPlot* plot = chart_.customPlot();
    const QRect area = plot->axisRect()->rect();
    if (!area.contains(at)) {
        readout_->hide();
        return;
    }
    const double x = plot->xAxis->pixelToCoord(at.x());
    // As many decimals as a pixel column resolves.
    const double perPixel = plot->xAxis->range().size() / std::max(1, area.width());
    const int decimals = std::clamp(static_cast<int>(std::ceil(-std::log10(perPixel))), 0, 6);
    QStringList plain{displayNumberText(roundHalfAwayFromZero(x, decimals)) + QStringLiteral(" s")};
    QString html = QStringLiteral("<b>%1</b>").arg(plain.front().toHtmlEscaped());
    for (int k = 0; k < kChannelCount; ++k) {
        double y = 0;
        if (!chart_.plotVisible(plotOfChannel(k)) || !chart_.plotValueAt(plotOfChannel(k), x, y)) {
            continue;
        }
        const QString line =
            channelName(k) + QStringLiteral(": ") + displayNumberText(significant(y, 6));
        plain.append(line);
        html +=
            QStringLiteral("<br><span style=\"color:%1\">&#9632;</span> %2")
                .arg(toQColor(chart_.plotColour(plotOfChannel(k))).name(), line.toHtmlEscaped());
    }
    readoutPlain_ = plain.join(u'\n');
    readout_->setText(html);
    readout_->adjustSize();
    // Beside the pointer, kept inside the plot.
    QPoint pos = at + QPoint(14, 14);
    if (pos.x() + readout_->width() > plot->width()) {
        pos.setX(at.x() - 14 - readout_->width());
    }
    if (pos.y() + readout_->height() > plot->height()) {
        pos.setY(at.y() - 14 - readout_->height());
    }
    readout_->move(std::max(0, pos.x()), std::max(0, pos.y()));
    readout_->show();
    readout_->raise();
}

}  // namespace quorlin
