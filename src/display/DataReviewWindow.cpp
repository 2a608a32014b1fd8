#include "display/DataReviewWindow.h"

#include "display/ChartView.h"
#include "platform/QCustomPlotChart.h"

#include <qcustomplot.h>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace quorlin {

namespace {
QLabel* namedLabel(const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    return label;
}
}  // namespace

DataReviewWindow::DataReviewWindow(std::unique_ptr<DataReviewModel> model,
                                   const PerChannel<ColourValue>& colours, ColourValue background,
                                   QWidget* parent)
    : QWidget(parent), model_(std::move(model)), chart_(std::make_unique<QCustomPlotChart>()) {
    setObjectName(QStringLiteral("frmDataReview"));
    setWindowTitle(model_->windowTitle());
    auto* layout = new QVBoxLayout(this);
    title_ = namedLabel(QStringLiteral("lblReviewTitle"), this);
    title_->setText(model_->titleText());
    title_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    span_ = namedLabel(QStringLiteral("lblReviewSpan"), this);
    notice_ = namedLabel(QStringLiteral("lblReviewNotice"), this);
    notice_->setStyleSheet(QStringLiteral("color: #a00000"));
    notice_->setWordWrap(true);
    notice_->hide();
    layout->addWidget(title_);
    layout->addWidget(span_);
    layout->addWidget(notice_);

    auto* loading = new QHBoxLayout;
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("prgReviewLoad"));
    progress_->setRange(0, 100);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cmdReviewCancel"));
    loading->addWidget(progress_, 1);
    loading->addWidget(cancel_);
    layout->addLayout(loading);

    chart_->setYCaption(QStringLiteral("Value"));
    chart_->setBackgroundColour(background);
    for (int c = 0; c < kChannelCount; ++c) {
        chart_->setPlotColour(plotOfChannel(c), colours[c]);
    }
    chart_->widget()->setMinimumSize(400, 250);
    // Zoom and pan choose the stretch the statistics cover; Live returns to the whole file.
    view_ = new ChartView(*chart_, this);
    layout->addWidget(view_, 1);

    allChannels_ = new QCheckBox(QStringLiteral("Show &all eight channels"), this);
    allChannels_->setObjectName(QStringLiteral("chkReviewAllChannels"));
    export_ = new QPushButton(QStringLiteral("&Export Chart..."), this);
    export_->setObjectName(QStringLiteral("cmdReviewExport"));
    auto* options = new QHBoxLayout;
    options->addWidget(allChannels_, 1);
    options->addWidget(export_);
    layout->addLayout(options);

    auto* grid = new QGridLayout;
    const QString headings[] = {QStringLiteral("Channel"), QStringLiteral("Min"),
                                QStringLiteral("Max"), QStringLiteral("Mean")};
    for (int col = 0; col < 4; ++col) {
        grid->addWidget(new QLabel(QStringLiteral("<b>%1</b>").arg(headings[col]), this), 0, col);
    }
    for (int c = 0; c < kChannelCount; ++c) {
        const QString ch = channelName(c);
        StatsRow& r = rows_[c];
        r.name = namedLabel(QStringLiteral("lblReview") + ch, this);
        r.name->setText(ch);
        r.name->setStyleSheet(
            QStringLiteral("QLabel { background: %1; color: %2; padding: 0 4px; }")
                .arg(toQColor(background).name(), toQColor(colours[c]).name()));
        r.minimum = namedLabel(QStringLiteral("txtReviewMin") + ch, this);
        r.maximum = namedLabel(QStringLiteral("txtReviewMax") + ch, this);
        r.mean = namedLabel(QStringLiteral("txtReviewMean") + ch, this);
        // Wide enough for any display number text, so the columns do not jump while zooming.
        const int valueWidth =
            fontMetrics().horizontalAdvance(QStringLiteral("-0.000000000000001"));
        for (QLabel* value : {r.minimum, r.maximum, r.mean}) {
            value->setMinimumWidth(valueWidth);
        }
        QLabel* cells[] = {r.name, r.minimum, r.maximum, r.mean};
        for (int col = 0; col < 4; ++col) {
            grid->addWidget(cells[col], c + 1, col);
        }
    }
    grid->setColumnStretch(4, 1);
    layout->addLayout(grid);

    connect(model_.get(), &DataReviewModel::progressChanged, this, [this] { showProgress(); });
    connect(model_.get(), &DataReviewModel::loaded, this, [this] { showLoaded(); });
    connect(model_.get(), &DataReviewModel::channelsChanged, this, [this] { showChannels(); });
    connect(model_.get(), &DataReviewModel::statsChanged, this, [this] { showStats(); });
    connect(cancel_, &QPushButton::clicked, this, [this] {
        model_->cancel();
        closeWindow();
    });
    connect(export_, &QPushButton::clicked, this, &DataReviewWindow::exportRequested);
    connect(allChannels_, &QCheckBox::toggled, this,
            [this](bool all) { model_->setShowAllChannels(all); });
    connect(chart_->customPlot()->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            [this](const QCPRange& range) { model_->setVisibleRange(range.lower, range.upper); });
    showProgress();
    showChannels();
    showStats();
}

DataReviewWindow::~DataReviewWindow() {
    // The chart's widget is a child of this window's view: it goes before the chart object does.
    disconnect(chart_->customPlot()->xAxis, nullptr, this, nullptr);
    delete view_;  // takes the plot with it while the chart it refers to still exists
}

void DataReviewWindow::showProgress() {
    const bool visible = model_->progressVisible();
    progress_->setVisible(visible);
    cancel_->setVisible(visible);
    progress_->setValue(model_->progressPercent());
}

void DataReviewWindow::showLoaded() {
    const RecordedData& d = model_->data();
    span_->setText(model_->spanText());
    notice_->setText(model_->noticeText());
    notice_->setVisible(!notice_->text().isEmpty());
    for (int c = 0; c < kChannelCount; ++c) {
        chart_->replacePlotData(plotOfChannel(c), d.channels[c]);
    }
    showProgress();
    showChannels();
    if (d.rows > 0) {
        chart_->setXRange(d.firstSeconds, std::max(d.lastSeconds, d.firstSeconds + 1e-3));
    }
}

void DataReviewWindow::showChannels() {
    for (int c = 0; c < kChannelCount; ++c) {
        const bool shown = model_->channelShown(c);
        chart_->setPlotVisible(plotOfChannel(c), shown);
        for (QLabel* cell : {rows_[c].name, rows_[c].minimum, rows_[c].maximum, rows_[c].mean}) {
            cell->setVisible(shown);
        }
    }
    if (const auto range = model_->shownValueRange()) {
        chart_->setYMinimum(range->first);
        chart_->setYMaximum(range->second);
    }
}

void DataReviewWindow::showStats() {
    for (int c = 0; c < kChannelCount; ++c) {
        rows_[c].minimum->setText(model_->minText(c));
        rows_[c].maximum->setText(model_->maxText(c));
        rows_[c].mean->setText(model_->meanText(c));
    }
}

void DataReviewWindow::closeWindow() {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        sub->close();
    } else {
        close();
    }
}

}  // namespace quorlin
