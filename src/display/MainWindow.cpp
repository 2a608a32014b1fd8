#include "display/MainWindow.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace quorlin {

namespace {

// Column widths shared by the headings and the rows of a group, so they line up.
constexpr int kNumberWidth = 16;
constexpr int kCheckWidth = 20;
constexpr int kVoltsWidth = 80;
constexpr int kUnitWidth = 60;
constexpr int kScaledWidth = 90;
constexpr int kPeakWidth = 80;
constexpr int kTimeWidth = 70;
constexpr int kTareWidth = 60;
constexpr int kSpacing = 4;

bool isValueText(RowField field) {
    return field == RowField::VoltsText || field == RowField::ScaledText ||
           field == RowField::PeakText || field == RowField::PeakTimeText;
}

bool isValueText(ReadoutField field) {
    return field == ReadoutField::HiText || field == ReadoutField::LoText ||
           field == ReadoutField::DiffText;
}

QString withoutAccessKey(QString caption) {
    caption.remove(u'&');
    return caption;
}

QLabel* fixedLabel(const QString& text, int width, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFixedWidth(width);
    return label;
}

QLineEdit* valueBox(const QString& name, const QString& accessibleName, int width,
                    QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setAccessibleName(accessibleName);
    box->setReadOnly(true);
    if (width > 0) {
        box->setFixedWidth(width);
    }
    return box;
}

QHBoxLayout* rowLayout(QWidget* owner) {
    auto* layout = new QHBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kSpacing);
    return layout;
}

// The box shows the channel's colour; its text stays readable on dark colours.
void paintBox(QLineEdit* box, ColourValue colour) {
    const QColor background = toQColor(colour);
    const double luminance =
        0.299 * background.red() + 0.587 * background.green() + 0.114 * background.blue();
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, background);
    palette.setColor(QPalette::Text, luminance < 128 ? Qt::white : Qt::black);
    box->setPalette(palette);
}

}  // namespace

MainWindow::MainWindow(MainWindowModel& model, QWidget* chartWidget, QWidget* parent)
    : QWidget(parent), model_(model) {
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("Main"));

    auto* layout = new QVBoxLayout(this);
    buildMenus(layout);

    auto* body = new QHBoxLayout;
    auto* channels = new QVBoxLayout;
    channels->addWidget(buildGroup(0));
    channels->addWidget(buildGroup(1));
    channels->addStretch(1);
    body->addLayout(channels);

    auto* chartSide = new QVBoxLayout;
    auto* fraGraph = new QFrame(this);
    fraGraph->setObjectName(QStringLiteral("fraGraph"));
    auto* graphLayout = new QVBoxLayout(fraGraph);
    graphLayout->setContentsMargins(0, 0, 0, 0);
    if (chartWidget != nullptr) {
        graphLayout->addWidget(chartWidget);
    }
    chartSide->addWidget(fraGraph, 1);
    lblRunStatus_ = new QLabel(this);
    lblRunStatus_->setObjectName(QStringLiteral("lblRunStatus"));
    lblRunStatus_->setWordWrap(true);  // wraps in a narrow window rather than widening it
    chartSide->addWidget(lblRunStatus_);
    showRunStatus();
    chartSide->addWidget(buildChannelRange());
    body->addLayout(chartSide, 1);
    layout->addLayout(body, 1);

    lblFile_ = new QLabel(model_.fileLabel(), this);
    lblFile_->setObjectName(QStringLiteral("lblFile"));
    layout->addWidget(lblFile_);
    lblBoardStatus_ = new QLabel(this);
    lblBoardStatus_->setObjectName(QStringLiteral("lblBoardStatus"));
    layout->addWidget(lblBoardStatus_);
    showBoardStatus();
    lblAveragingNotice_ = new QLabel(this);
    lblAveragingNotice_->setObjectName(QStringLiteral("lblAveragingNotice"));
    layout->addWidget(lblAveragingNotice_);
    showAveragingNotice();

    // A child with the focus would otherwise keep Ctrl+F8 to itself.
    auto* toggle = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F8), this);
    toggle->setContext(Qt::WidgetWithChildrenShortcut);
    connect(toggle, &QShortcut::activated, this,
            [this] { emit keyPressed(Qt::Key_F8, Qt::ControlModifier); });

    connect(&model_, &MainWindowModel::rowChanged, this, &MainWindow::onRowChanged);
    connect(&model_, &MainWindowModel::groupVisibleChanged, this,
            [this](int group) { groups_[group]->setVisible(model_.groupVisible(group)); });
    connect(&model_, &MainWindowModel::fileLabelChanged, this,
            [this] { lblFile_->setText(model_.fileLabel()); });
    connect(&model_, &MainWindowModel::boardStatusChanged, this, &MainWindow::showBoardStatus);
    connect(&model_, &MainWindowModel::averagingNoticeChanged, this,
            &MainWindow::showAveragingNotice);
    connect(&model_, &MainWindowModel::runStatusChanged, this, &MainWindow::showRunStatus);
    connect(&model_, &MainWindowModel::readoutChanged, this, &MainWindow::onReadoutChanged);
}

void MainWindow::onRowChanged(int channel, RowField field) {
    if (!isValueText(field)) {
        showRow(channel, field);
        return;
    }
    pendingRow_[channel].set(static_cast<std::size_t>(field));
    texts_.request();
}

void MainWindow::onReadoutChanged(ReadoutField field) {
    if (!isValueText(field)) {
        showReadout(field);
        return;
    }
    pendingReadout_.set(static_cast<std::size_t>(field));
    texts_.request();
}

void MainWindow::showPendingTexts() {
    for (int k = 0; k < kChannelCount; ++k) {
        for (int f = 0; f < kRowFields && pendingRow_[k].any(); ++f) {
            if (pendingRow_[k].test(static_cast<std::size_t>(f))) {
                pendingRow_[k].reset(static_cast<std::size_t>(f));
                showRow(k, static_cast<RowField>(f));
            }
        }
    }
    for (int f = 0; f < kReadoutFields && pendingReadout_.any(); ++f) {
        if (pendingReadout_.test(static_cast<std::size_t>(f))) {
            pendingReadout_.reset(static_cast<std::size_t>(f));
            showReadout(static_cast<ReadoutField>(f));
        }
    }
}

QWidget* MainWindow::buildGroup(int group) {
    auto* box = new QGroupBox(
        group == 0 ? QStringLiteral("Channels 0-3") : QStringLiteral("Channels 4-7"), this);
    box->setObjectName(group == 0 ? QStringLiteral("fraChannels03")
                                  : QStringLiteral("fraChannels47"));
    groups_[group] = box;
    auto* layout = new QVBoxLayout(box);

    auto* headings = new QWidget(box);
    auto* headingLayout = rowLayout(headings);
    headingLayout->addWidget(
        fixedLabel(QStringLiteral("CH"), kNumberWidth + kSpacing + kCheckWidth, headings));
    headingLayout->addWidget(fixedLabel(QStringLiteral("Volts"), kVoltsWidth, headings));
    headingLayout->addWidget(fixedLabel(QStringLiteral("Unit"), kUnitWidth, headings));
    headingLayout->addWidget(fixedLabel(QStringLiteral("Scaled Value"), kScaledWidth, headings));
    headingLayout->addWidget(fixedLabel(QStringLiteral("Peak"), kPeakWidth, headings));
    headingLayout->addStretch(1);
    layout->addWidget(headings);

    constexpr int kChannelsPerGroup = kChannelCount / 2;
    for (int k = group * kChannelsPerGroup; k < (group + 1) * kChannelsPerGroup; ++k) {
        layout->addWidget(buildRow(k));
    }
    box->setVisible(model_.groupVisible(group));
    return box;
}

QFrame* MainWindow::buildRow(int k) {
    const QString ch = channelName(k);
    const QString digit = QString::number(k);
    RowWidgets& w = rows_[k];

    w.frame = new QFrame(this);
    w.frame->setObjectName(QStringLiteral("fraCH") + digit);
    // An opaque row: repainting its boxes then stops here instead of repainting the group,
    // the window and the frame window's subwindow beneath them.
    w.frame->setAutoFillBackground(true);
    auto* layout = rowLayout(w.frame);

    layout->addWidget(fixedLabel(digit, kNumberWidth, w.frame));

    w.check = new QCheckBox(w.frame);
    w.check->setObjectName(QStringLiteral("chkCH") + digit);
    w.check->setAccessibleName(ch + QStringLiteral(" Active"));
    w.check->setFixedWidth(kCheckWidth);
    layout->addWidget(w.check);

    w.volts = valueBox(QStringLiteral("txtCH") + digit, ch + QStringLiteral(" Volts"), kVoltsWidth,
                       w.frame);
    layout->addWidget(w.volts);

    w.unit = new QLabel(w.frame);
    w.unit->setObjectName(QStringLiteral("lblCH") + digit);
    w.unit->setFixedWidth(kUnitWidth);
    layout->addWidget(w.unit);

    w.scaled = valueBox(QStringLiteral("txtScaleCH") + digit, ch + QStringLiteral(" Scaled Value"),
                        kScaledWidth, w.frame);
    layout->addWidget(w.scaled);
    w.peak = valueBox(QStringLiteral("txtPeakCH") + digit, ch + QStringLiteral(" Peak"), kPeakWidth,
                      w.frame);
    layout->addWidget(w.peak);
    w.peakTime = valueBox(QStringLiteral("txtTimeCH") + digit, ch + QStringLiteral(" Peak Time"),
                          kTimeWidth, w.frame);
    layout->addWidget(w.peakTime);

    w.tare = new QPushButton(w.frame);
    w.tare->setObjectName(QStringLiteral("cmdTare") + digit);
    w.tare->setFixedWidth(kTareWidth);
    layout->addWidget(w.tare);
    layout->addStretch(1);

    // Any change of the tick (mouse, keys, the accessibility interface) is the operator's;
    // the model's own changes are shown with the signals blocked.
    connect(w.check, &QCheckBox::toggled, this, [this, k](bool checked) {
        model_.setChecked(k, checked);
        emit checkClicked(k, checked);
    });
    connect(w.tare, &QPushButton::clicked, this, [this, k] { emit tareClicked(k); });

    for (RowField field :
         {RowField::VoltsText, RowField::UnitText, RowField::ScaledText, RowField::PeakText,
          RowField::PeakTimeText, RowField::TareCaption, RowField::Checked, RowField::CheckEnabled,
          RowField::FrameVisible, RowField::Colour}) {
        showRow(k, field);
    }
    return w.frame;
}

QWidget* MainWindow::buildChannelRange() {
    fraHiLo_ = new QGroupBox(QStringLiteral("Channel Range"), this);
    fraHiLo_->setObjectName(QStringLiteral("fraHiLo"));
    auto* layout = new QHBoxLayout(fraHiLo_);

    auto label = [this](const char* name) {
        auto* l = new QLabel(fraHiLo_);
        if (name != nullptr) {
            l->setObjectName(QString::fromLatin1(name));
        }
        return l;
    };
    lblHi_ = label("lblHi");
    txtHi_ = valueBox(QStringLiteral("txtHi"), QStringLiteral("High"), 0, fraHiLo_);
    auto* minus = label(nullptr);
    minus->setText(QStringLiteral("-"));
    lblLo_ = label("lblLo");
    txtLo_ = valueBox(QStringLiteral("txtLo"), QStringLiteral("Low"), 0, fraHiLo_);
    auto* equals = label(nullptr);
    equals->setText(QStringLiteral("="));
    auto* lblDiff = label("lblDiff");
    lblDiff->setText(QStringLiteral("Difference"));
    txtDiff_ = valueBox(QStringLiteral("txtDiff"), QStringLiteral("Difference"), 0, fraHiLo_);

    for (QWidget* w : std::initializer_list<QWidget*>{lblHi_, txtHi_, minus, lblLo_, txtLo_, equals,
                                                      lblDiff, txtDiff_}) {
        layout->addWidget(w);
    }
    for (ReadoutField field :
         {ReadoutField::HiLabel, ReadoutField::HiText, ReadoutField::LoLabel, ReadoutField::LoText,
          ReadoutField::DiffText, ReadoutField::Visible}) {
        showReadout(field);
    }
    return fraHiLo_;
}

void MainWindow::buildMenus(QVBoxLayout* layout) {
    auto* bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("menuBar"));
    layout->setMenuBar(bar);

    bar->addMenu(addMenu(model_.mnuFile, {model_.mnuSave, model_.mnuSample, nullptr, model_.mnuExit,
                                          nullptr, model_.mnuOpenDataFile, model_.mnuExportChart}));
    bar->addMenu(addMenu(model_.mnuTools, {model_.mnuCommPort, model_.mnuConfiguration,
                                           model_.mnuPeakOn, model_.mnuSetDataInterval,
                                           model_.mnuSwapColor, model_.mnuChannelRangeVolts,
                                           model_.mnuChannelRangeScale, model_.mnuMqttPublishing}));
    bar->addMenu(addMenu(model_.mnuHelp, {model_.mnuHelpHelp, model_.mnuAbout}));
}

// A null item is the separator line.
QMenu* MainWindow::addMenu(QAction* menuModel, std::initializer_list<QAction*> items) {
    auto* menu = new QMenu(menuModel->text(), this);
    menu->setObjectName(menuModel->objectName());
    for (QAction* item : items) {
        if (item == nullptr) {
            menu->addSeparator()->setObjectName(QStringLiteral("mnuSep"));
        } else {
            menu->addAction(item);
        }
    }
    auto mirror = [menu, menuModel] {
        menu->setTitle(menuModel->text());
        menu->setEnabled(menuModel->isEnabled());
        menu->menuAction()->setEnabled(menuModel->isEnabled());
        menu->menuAction()->setVisible(menuModel->isVisible());
    };
    mirror();
    connect(menuModel, &QAction::changed, menu, mirror);
    return menu;
}

void MainWindow::showRow(int channel, RowField field) {
    const ChannelRowState& row = model_.row(channel);
    RowWidgets& w = rows_[channel];
    switch (field) {
        case RowField::VoltsText:
            w.volts->setText(row.voltsText);
            break;
        case RowField::UnitText:
            w.unit->setText(row.unitText);
            break;
        case RowField::ScaledText:
            w.scaled->setText(row.scaledText);
            break;
        case RowField::PeakText:
            w.peak->setText(row.peakText);
            break;
        case RowField::PeakTimeText:
            w.peakTime->setText(row.peakTimeText);
            break;
        case RowField::TareCaption:
            w.tare->setText(row.tareCaption);
            w.tare->setAccessibleName(channelName(channel) + u' ' +
                                      withoutAccessKey(row.tareCaption));
            break;
        case RowField::Checked: {
            const QSignalBlocker block(w.check);
            w.check->setChecked(row.checked);
            break;
        }
        case RowField::CheckEnabled:
            w.check->setEnabled(row.checkEnabled);
            break;
        case RowField::FrameVisible:
            w.frame->setVisible(row.frameVisible);
            break;
        case RowField::Colour:
            for (QLineEdit* box : {w.volts, w.scaled, w.peak}) {
                paintBox(box, row.colour);
            }
            break;
    }
}

void MainWindow::showReadout(ReadoutField field) {
    switch (field) {
        case ReadoutField::HiLabel:
            lblHi_->setText(model_.hiLabel());
            break;
        case ReadoutField::HiText:
            txtHi_->setText(model_.hiText());
            break;
        case ReadoutField::LoLabel:
            lblLo_->setText(model_.loLabel());
            break;
        case ReadoutField::LoText:
            txtLo_->setText(model_.loText());
            break;
        case ReadoutField::DiffText:
            txtDiff_->setText(model_.diffText());
            break;
        case ReadoutField::Visible:
            fraHiLo_->setVisible(model_.readoutVisible());
            break;
    }
}

void MainWindow::showBoardStatus() {
    lblBoardStatus_->setText(model_.boardStatus());
    lblBoardStatus_->setVisible(!model_.boardStatus().isEmpty());
}

void MainWindow::showAveragingNotice() {
    lblAveragingNotice_->setText(model_.averagingNotice());
    lblAveragingNotice_->setVisible(!model_.averagingNotice().isEmpty());
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    emit keyPressed(event->key(), event->modifiers());
    QWidget::keyPressEvent(event);
}

void MainWindow::showRunStatus() {
    lblRunStatus_->setText(model_.runStatus());
    // A screen reader reads a label's name: the figures go into it behind a clear name.
    lblRunStatus_->setAccessibleName(QStringLiteral("Run health: ") + model_.runStatus());
    lblRunStatus_->setVisible(!model_.runStatus().isEmpty());
}

}  // namespace quorlin
