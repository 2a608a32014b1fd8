#include "config/ConfigurationDialog.h"

#include "config/NumEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace quorlin {

namespace {

constexpr int kChannelsPerPage = 4;
constexpr int kNumberWidth = 88;
constexpr int kOrderWidth = 56;
constexpr int kOrderColumnWidth = 112;
constexpr int kUnitsWidth = 80;
constexpr int kPeakWidth = 72;

// Grid columns of a channel page.
enum Column { ColChannel, ColConversion, ColLinear, ColPolynomial, ColUnits };

QString name(const char* prefix, int channel, const char* suffix = "") {
    return QString::fromLatin1(prefix) + QString::number(channel) + QString::fromLatin1(suffix);
}

QString accessible(int channel, const QString& what) {
    return channelName(channel) + u' ' + what;
}

QLabel* heading(const QString& text, int width, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    if (width > 0) {
        label->setFixedWidth(width);
    }
    return label;
}

QFrame* groupFrame(const QString& objectName, QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(objectName);
    auto* layout = new QHBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    return frame;
}

// Selects option `choice` of a set, or none of them for kNoChoice.
void showChoice(const QList<QRadioButton*>& options, int choice) {
    for (int i = 0; i < options.size(); ++i) {
        const QSignalBlocker block(options[i]);
        options[i]->setAutoExclusive(false);
        options[i]->setChecked(i == choice);
        options[i]->setAutoExclusive(true);
    }
}

}  // namespace

ConfigurationDialog::ConfigurationDialog(std::unique_ptr<ConfigurationDialogModel> model,
                                         QWidget* parent)
    : QMainWindow(parent), model_(std::move(model)) {
    setObjectName(QStringLiteral("Configuration"));
    setWindowTitle(QStringLiteral("Configuration"));
    setAttribute(Qt::WA_DeleteOnClose);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("SSTab1"));
    // Eleven coefficients per row make a wide page: it scrolls where the frame is narrower.
    const auto scrollable = [](QWidget* page) {
        auto* area = new QScrollArea;
        area->setWidget(page);
        area->setWidgetResizable(true);
        area->setFrameShape(QFrame::NoFrame);
        return area;
    };
    tabs_->addTab(scrollable(buildChannelPage(0)), QStringLiteral("Channels 0-3"));
    tabs_->addTab(scrollable(buildChannelPage(kChannelsPerPage)), QStringLiteral("Channels 4-7"));
    tabs_->addTab(scrollable(buildOtherPage()), QStringLiteral("Other Settings"));
    setCentralWidget(tabs_);
    buildMenu();

    connect(model_.get(), &ConfigurationDialogModel::fieldChanged, this,
            &ConfigurationDialog::showField);
    connect(model_.get(), &ConfigurationDialogModel::closeRequested, this,
            &ConfigurationDialog::closeWindow);

    model_->Load();
    showAll();
}

ConfigurationDialog::~ConfigurationDialog() = default;

QWidget* ConfigurationDialog::buildChannelPage(int firstChannel) {
    auto* page = new QWidget(this);
    auto* grid = new QGridLayout(page);
    grid->addWidget(heading(QStringLiteral("Channel"), 0, page), 0, ColChannel);
    grid->addWidget(heading(QStringLiteral("Unit Conversion"), 0, page), 0, ColConversion);
    grid->addWidget(heading(QStringLiteral("Units"), 0, page), 0, ColUnits);

    auto* linearHeads = new QWidget(page);
    auto* linearLayout = new QHBoxLayout(linearHeads);
    linearLayout->setContentsMargins(0, 0, 0, 0);
    linearLayout->addWidget(heading(QStringLiteral("Slope"), kNumberWidth, linearHeads));
    linearLayout->addWidget(heading(QStringLiteral("Offset"), kNumberWidth, linearHeads));
    linearLayout->addWidget(heading(QStringLiteral("Peak Detect"), kPeakWidth, linearHeads));
    grid->addWidget(linearHeads, 0, ColLinear, Qt::AlignLeft);
    FormatCoefficientHeadings(grid);

    for (int i = 0; i < kChannelsPerPage; ++i) {
        buildChannelRow(grid, i + 1, firstChannel + i);
    }
    grid->setRowStretch(kChannelsPerPage + 1, 1);
    grid->setColumnStretch(ColUnits + 1, 1);
    return page;
}

// The coefficient headings "a0" to "a10", with the index set as a subscript.
void ConfigurationDialog::FormatCoefficientHeadings(QGridLayout* grid) {
    auto* page = grid->parentWidget();
    auto* heads = new QWidget(page);
    auto* layout = new QHBoxLayout(heads);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(heading(QStringLiteral("Polynomial Order"), kOrderColumnWidth, heads));
    for (int i = 0; i < kPolyCoeffCount; ++i) {
        auto* label = heading(QStringLiteral("a<sub>%1</sub>").arg(i), kNumberWidth, heads);
        label->setTextFormat(Qt::RichText);
        label->setAccessibleName(QStringLiteral("a%1").arg(i));
        layout->addWidget(label);
    }
    grid->addWidget(heads, 0, ColPolynomial, Qt::AlignLeft);
}

void ConfigurationDialog::buildChannelRow(QGridLayout* grid, int gridRow, int ch) {
    QWidget* page = grid->parentWidget();
    RowWidgets& w = rows_[ch];

    w.active = new QCheckBox(QString::number(ch), page);
    w.active->setObjectName(name("chkCH", ch));
    w.active->setAccessibleName(accessible(ch, QStringLiteral("Active")));
    grid->addWidget(w.active, gridRow, ColChannel);

    auto* conversion = new QWidget(page);  // keeps the two options of a channel together
    auto* conversionLayout = new QVBoxLayout(conversion);
    conversionLayout->setContentsMargins(0, 0, 0, 0);
    w.linear = new QRadioButton(QStringLiteral("Linear"), conversion);
    w.linear->setObjectName(name("optCH", ch, "Linear"));
    w.linear->setAccessibleName(accessible(ch, QStringLiteral("Linear")));
    w.poly = new QRadioButton(QStringLiteral("Polynomial"), conversion);
    w.poly->setObjectName(name("optCH", ch, "Poly"));
    w.poly->setAccessibleName(accessible(ch, QStringLiteral("Polynomial")));
    conversionLayout->addWidget(w.linear);
    conversionLayout->addWidget(w.poly);
    grid->addWidget(conversion, gridRow, ColConversion);

    // Slope/offset group, and the placeholder that stands in its place when it is hidden.
    auto* linearSlot = new QWidget(page);
    auto* linearSlotLayout = new QHBoxLayout(linearSlot);
    linearSlotLayout->setContentsMargins(0, 0, 0, 0);
    w.slopeOffset = groupFrame(name("fraCH", ch, "SO"), linearSlot);
    w.slope = new NumEdit(w.slopeOffset);
    w.slope->setObjectName(name("NumEditSlope", ch));
    w.slope->setAccessibleName(accessible(ch, QStringLiteral("Slope")));
    w.slope->setFixedWidth(kNumberWidth);
    w.offset = new NumEdit(w.slopeOffset);
    w.offset->setObjectName(name("NumEditOffset", ch));
    w.offset->setAccessibleName(accessible(ch, QStringLiteral("Offset")));
    w.offset->setFixedWidth(kNumberWidth);
    w.peak = new QComboBox(w.slopeOffset);
    w.peak->setObjectName(name("cboPeak", ch));
    w.peak->setAccessibleName(accessible(ch, QStringLiteral("Peak Detect")));
    w.peak->setFixedWidth(kPeakWidth);
    w.slopeOffset->layout()->addWidget(w.slope);
    w.slopeOffset->layout()->addWidget(w.offset);
    w.slopeOffset->layout()->addWidget(w.peak);
    w.ghostL = groupFrame(name("fraGhost", ch, "L"), linearSlot);
    w.ghostL->setFixedSize(w.slopeOffset->sizeHint());
    linearSlotLayout->addWidget(w.slopeOffset);
    linearSlotLayout->addWidget(w.ghostL);
    grid->addWidget(linearSlot, gridRow, ColLinear, Qt::AlignLeft);

    // Polynomial group and its placeholder.
    auto* polySlot = new QWidget(page);
    auto* polySlotLayout = new QHBoxLayout(polySlot);
    polySlotLayout->setContentsMargins(0, 0, 0, 0);
    w.polynomial = groupFrame(name("fraCH", ch, "Poly"), polySlot);
    w.order = new QSpinBox;
    w.order->setObjectName(name("NumEditCH", ch, "PolyOrder"));
    w.order->setAccessibleName(accessible(ch, QStringLiteral("Polynomial Order")));
    w.order->setRange(ConfigurationDialogModel::kMinOrder, ConfigurationDialogModel::kMaxOrder);
    w.order->setFixedWidth(kOrderWidth);
    auto* orderCell = new QWidget(w.polynomial);  // as wide as its heading
    orderCell->setFixedWidth(kOrderColumnWidth);
    auto* orderLayout = new QHBoxLayout(orderCell);
    orderLayout->setContentsMargins(0, 0, 0, 0);
    orderLayout->addWidget(w.order, 0, Qt::AlignCenter);
    w.polynomial->layout()->addWidget(orderCell);
    for (int i = 0; i < kPolyCoeffCount; ++i) {
        auto* field = new NumEdit(w.polynomial);
        field->setObjectName(QStringLiteral("NumEditCH%1A%2").arg(ch).arg(i));
        field->setAccessibleName(accessible(ch, QStringLiteral("a%1").arg(i)));
        field->setFixedWidth(kNumberWidth);
        w.polynomial->layout()->addWidget(field);
        w.coefficients[i] = field;
        connect(field, &NumEdit::valueEdited, this,
                [this, ch, i](double v) { model_->setCoefficient(ch, i, v); });
    }
    w.ghostP = groupFrame(name("fraGhost", ch, "P"), polySlot);
    w.ghostP->setFixedSize(w.polynomial->sizeHint());
    polySlotLayout->addWidget(w.polynomial);
    polySlotLayout->addWidget(w.ghostP);
    grid->addWidget(polySlot, gridRow, ColPolynomial, Qt::AlignLeft);

    w.units = new QLineEdit(page);
    w.units->setObjectName(name("txtUnit", ch));
    w.units->setAccessibleName(accessible(ch, QStringLiteral("Units")));
    w.units->setFixedWidth(kUnitsWidth);
    grid->addWidget(w.units, gridRow, ColUnits);

    // Each field follows the signal that reports every change of it, however it was made
    // (mouse, keys, the accessibility interface, an input method); showField blocks the echo.
    connect(w.active, &QCheckBox::stateChanged, this,
            [this, ch](int state) { model_->setActive(ch, static_cast<Qt::CheckState>(state)); });
    connect(w.linear, &QRadioButton::toggled, this, [this, ch](bool on) {
        if (on) {
            model_->optLinear_Click(ch);
        }
    });
    connect(w.poly, &QRadioButton::toggled, this, [this, ch](bool on) {
        if (on) {
            model_->optPoly_Click(ch);
        }
    });
    connect(w.slope, &NumEdit::valueEdited, this,
            [this, ch](double v) { model_->setSlope(ch, v); });
    connect(w.offset, &NumEdit::valueEdited, this,
            [this, ch](double v) { model_->setOffset(ch, v); });
    connect(w.peak, &QComboBox::currentIndexChanged, this,
            [this, ch](int index) { model_->setPeakIndex(ch, index); });
    connect(w.order, &QSpinBox::valueChanged, this,
            [this, ch](int v) { model_->setPolyOrder(ch, static_cast<qint16>(v)); });
    connect(w.units, &QLineEdit::textChanged, this,
            [this, ch](const QString& text) { model_->setUnits(ch, text); });
}

QWidget* ConfigurationDialog::buildOtherPage() {
    auto* page = new QWidget(this);
    auto* layout = new QGridLayout(page);

    auto optionSet = [](QGroupBox* box, QList<QRadioButton*>& set,
                        const QList<std::pair<const char*, QString>>& options) {
        auto* boxLayout = new QVBoxLayout(box);
        for (const auto& [objectName, caption] : options) {
            auto* option = new QRadioButton(caption, box);
            option->setObjectName(QString::fromLatin1(objectName));
            boxLayout->addWidget(option);
            set.append(option);
        }
        return boxLayout;
    };

    auto* samples = new QGroupBox(QStringLiteral("Samples Averaged"), page);
    samples->setObjectName(QStringLiteral("fraSamplesAveraged"));
    optionSet(samples, samples_,
              {{"optSA1", QStringLiteral("1")},
               {"optSA2", QStringLiteral("10")},
               {"optSA3", QStringLiteral("100")},
               {"optSA4", QStringLiteral("200")}});

    auto* range = new QGroupBox(QStringLiteral("Y-Axis Range"), page);
    range->setObjectName(QStringLiteral("fraYAxisRange"));
    auto* rangeLayout = new QGridLayout(range);
    upper_ = new NumEdit(range);
    upper_->setObjectName(QStringLiteral("NumEditUB"));
    upper_->setAccessibleName(QStringLiteral("Upper Bound"));
    lower_ = new NumEdit(range);
    lower_->setObjectName(QStringLiteral("NumEditLB"));
    lower_->setAccessibleName(QStringLiteral("Lower Bound"));
    auto* upperLabel = new QLabel(QStringLiteral("Upper Bound"), range);
    upperLabel->setBuddy(upper_);
    auto* lowerLabel = new QLabel(QStringLiteral("Lower Bound"), range);
    lowerLabel->setBuddy(lower_);
    rangeLayout->addWidget(upperLabel, 0, 0);
    rangeLayout->addWidget(upper_, 0, 1);
    rangeLayout->addWidget(lowerLabel, 1, 0);
    rangeLayout->addWidget(lower_, 1, 1);

    auto* graph = new QGroupBox(QStringLiteral("Graph Method"), page);
    graph->setObjectName(QStringLiteral("fraGraphMethod"));
    auto* graphLayout = optionSet(graph, graphMethod_,
                                  {{"optGraphContinuous", QStringLiteral("Continuous")},
                                   {"optGraphAutoScale", QStringLiteral("Auto-Scale")}});
    graphScale_ = new QCheckBox(QStringLiteral("Graph Scale?"), graph);
    graphScale_->setObjectName(QStringLiteral("chkGraphScale"));
    graphLayout->addWidget(graphScale_);

    auto* save = new QGroupBox(QStringLiteral("Save Method"), page);
    save->setObjectName(QStringLiteral("fraSaveMethod"));
    optionSet(save, saveMethod_,
              {{"optVolts", QStringLiteral("Volts")}, {"optScale", QStringLiteral("Scale")}});

    layout->addWidget(samples, 0, 0);
    layout->addWidget(range, 0, 1);
    layout->addWidget(graph, 1, 0);
    layout->addWidget(save, 1, 1);
    layout->setRowStretch(2, 1);
    layout->setColumnStretch(2, 1);

    for (int i = 0; i < samples_.size(); ++i) {
        connect(samples_[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) {
                model_->setSamplesAveragedChoice(i);
            }
        });
    }
    for (int i = 0; i < graphMethod_.size(); ++i) {
        connect(graphMethod_[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) {
                model_->setGraphMethodChoice(i);
            }
        });
    }
    for (int i = 0; i < saveMethod_.size(); ++i) {
        connect(saveMethod_[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) {
                model_->setSaveMethodChoice(i);
            }
        });
    }
    connect(upper_, &NumEdit::valueEdited, this, [this](double v) { model_->setUpperBound(v); });
    connect(lower_, &NumEdit::valueEdited, this, [this](double v) { model_->setLowerBound(v); });
    connect(graphScale_, &QCheckBox::stateChanged, this,
            [this](int state) { model_->chkGraphScale_Click(static_cast<Qt::CheckState>(state)); });
    return page;
}

void ConfigurationDialog::buildMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    auto add = [&](const char* objectName, const QString& caption,
                   void (ConfigurationDialogModel::*slot)()) {
        QAction* action = file->addAction(caption);
        action->setObjectName(QString::fromLatin1(objectName));
        connect(action, &QAction::triggered, model_.get(), slot);
        return action;
    };
    add("mnuOpen", QStringLiteral("&Open"), &ConfigurationDialogModel::mnuOpen_Click);
    add("mnuSave", QStringLiteral("&Save"), &ConfigurationDialogModel::mnuSave_Click);
    add("mnuSaveAsDefault", QStringLiteral("Save As &Default"),
        &ConfigurationDialogModel::mnuSaveAsDefault_Click);
    file->addSeparator();
    add("mnuReturn", QStringLiteral("&Return"), &ConfigurationDialogModel::mnuReturn_Click);
}

void ConfigurationDialog::showField(ConfigField field, int ch, int index) {
    const ConfigurationDialogModel& m = *model_;
    switch (field) {
        case ConfigField::GraphMethod:
            showChoice(graphMethod_, m.graphMethodChoice());
            break;
        case ConfigField::SamplesAveraged:
            showChoice(samples_, m.samplesAveragedChoice());
            break;
        case ConfigField::WriteFileMethod:
            showChoice(saveMethod_, m.saveMethodChoice());
            break;
        case ConfigField::UpperBound:
            upper_->setValue(m.upperBound());
            break;
        case ConfigField::LowerBound:
            lower_->setValue(m.lowerBound());
            break;
        case ConfigField::GraphScale: {
            const QSignalBlocker block(graphScale_);
            graphScale_->setCheckState(m.graphScaleState());
            break;
        }
        case ConfigField::Slope:
            rows_[ch].slope->setValue(m.slope(ch));
            break;
        case ConfigField::Offset:
            rows_[ch].offset->setValue(m.offset(ch));
            break;
        case ConfigField::Units:
            if (rows_[ch].units->text() != m.units(ch)) {
                rows_[ch].units->setText(m.units(ch));
            }
            break;
        case ConfigField::PeakItems: {
            const QSignalBlocker block(rows_[ch].peak);
            rows_[ch].peak->clear();
            rows_[ch].peak->addItems(m.peakItems(ch));
            rows_[ch].peak->setCurrentIndex(m.peakIndex(ch));
            break;
        }
        case ConfigField::PeakIndex: {
            const QSignalBlocker block(rows_[ch].peak);
            rows_[ch].peak->setCurrentIndex(m.peakIndex(ch));
            break;
        }
        case ConfigField::Active: {
            // Grey stands only for a setting no tick can show; a click ticks or unticks.
            QCheckBox* box = rows_[ch].active;
            const QSignalBlocker block(box);
            box->setCheckState(m.active(ch));
            box->setTristate(m.active(ch) == Qt::PartiallyChecked);
            break;
        }
        case ConfigField::PolyOrder: {
            // An order outside 1..10 (as from a zero-filled model) is shown as it is.
            QSpinBox* order = rows_[ch].order;
            const QSignalBlocker block(order);
            const int value = m.polyOrder(ch);
            order->setRange(std::min<int>(value, ConfigurationDialogModel::kMinOrder),
                            std::max<int>(value, ConfigurationDialogModel::kMaxOrder));
            order->setValue(value);
            break;
        }
        case ConfigField::Coefficient:
            rows_[ch].coefficients[index]->setValue(m.coefficient(ch, index));
            break;
        case ConfigField::CoefficientLook: {
            NumEdit* coefficient = rows_[ch].coefficients[index];
            coefficient->setBackground(m.coefficientBackground(ch, index));
            coefficient->setReadOnly(!m.coefficientEditable(ch, index));
            break;
        }
        case ConfigField::Calibration: {
            RowWidgets& w = rows_[ch];
            showChoice({w.linear, w.poly}, m.polynomialSelected(ch) ? 1 : 0);
            w.slopeOffset->setVisible(m.slopeOffsetVisible(ch));
            w.polynomial->setVisible(m.polynomialVisible(ch));
            w.ghostP->setVisible(m.ghostPVisible(ch));
            w.ghostL->setVisible(m.ghostLVisible(ch));
            break;
        }
    }
}

// The whole window from the model, for the fields whose first state no change announced.
void ConfigurationDialog::showAll() {
    for (ConfigField f :
         {ConfigField::GraphMethod, ConfigField::SamplesAveraged, ConfigField::WriteFileMethod,
          ConfigField::UpperBound, ConfigField::LowerBound, ConfigField::GraphScale}) {
        showField(f, 0, 0);
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        for (ConfigField f :
             {ConfigField::Slope, ConfigField::Offset, ConfigField::Units, ConfigField::PeakItems,
              ConfigField::Active, ConfigField::PolyOrder, ConfigField::Calibration}) {
            showField(f, ch, 0);
        }
        for (int i = 0; i < kPolyCoeffCount; ++i) {
            showField(ConfigField::Coefficient, ch, i);
            showField(ConfigField::CoefficientLook, ch, i);
        }
    }
}

void ConfigurationDialog::closeWindow() {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        sub->close();
    } else {
        close();
    }
}

}  // namespace quorlin
