#include "acquisition/DataIntervalDialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace quorlin {

namespace {

QRadioButton* makeOption(QWidget* parent, const char* name, const QString& caption,
                         const QString& accessibleName) {
    auto* button = new QRadioButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(accessibleName);
    return button;
}

QSpinBox* makeCount(QWidget* parent, const char* name, const QString& accessibleName) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setAccessibleName(accessibleName);
    box->setRange(DataIntervalDialogModel::kMinCount, DataIntervalDialogModel::kMaxCount);
    box->setValue(DataIntervalDialogModel::kMinCount);
    return box;
}

}  // namespace

DataIntervalDialog::DataIntervalDialog(SettingsModel& settings, MessageBox& messages,
                                       QWidget* parent)
    : QDialog(parent), model_(settings, messages) {
    setObjectName(QStringLiteral("SetDataInterval"));
    setWindowTitle(QStringLiteral("Set Data Interval"));
    setModal(true);

    auto* frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("fraSettings"));
    optSeconds_ = makeOption(frame, "optSeconds", QString(), QStringLiteral("Seconds"));
    optMinutes_ = makeOption(frame, "OptMinutes", QString(), QStringLiteral("Minutes"));
    optHours_ = makeOption(frame, "optHours", QString(), QStringLiteral("Hours"));
    optNoRestriction_ = makeOption(frame, "optNoRestriction", QStringLiteral("No Restriction"),
                                   QStringLiteral("No Restriction"));
    numSeconds_ = makeCount(frame, "NumEditSeconds", QStringLiteral("Points per Second"));
    numMinutes_ = makeCount(frame, "NumEditMinutes", QStringLiteral("Points per Minute"));
    numHours_ = makeCount(frame, "NumEditHours", QStringLiteral("Points per Hour"));

    auto* grid = new QGridLayout(frame);
    const struct {
        QRadioButton* option;
        QSpinBox* count;
        QString label;
    } rows[] = {{optSeconds_, numSeconds_, QStringLiteral("Points per Second")},
                {optMinutes_, numMinutes_, QStringLiteral("Points per Minute")},
                {optHours_, numHours_, QStringLiteral("Points per Hour")}};
    int r = 0;
    for (const auto& row : rows) {
        auto* label = new QLabel(row.label, frame);
        label->setBuddy(row.count);
        grid->addWidget(row.option, r, 0);
        grid->addWidget(row.count, r, 1);
        grid->addWidget(label, r, 2);
        ++r;
    }
    grid->addWidget(optNoRestriction_, r, 0, 1, 3);

    // One group, so exactly one option is on once any is.
    auto* group = new QButtonGroup(this);
    for (QRadioButton* b : {optSeconds_, optMinutes_, optHours_, optNoRestriction_}) {
        group->addButton(b);
    }

    lblMS_ = new QLabel(model_.msLabel(), this);
    lblMS_->setObjectName(QStringLiteral("lblMS"));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(lblMS_);
    layout->addWidget(ok, 0, Qt::AlignRight);

    // Every change of a field counts, however it was made (mouse, keys, the accessibility
    // interface); refresh() blocks the echo.
    connect(optSeconds_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            onOptionClicked(IntervalOption::Seconds);
        }
    });
    connect(optMinutes_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            onOptionClicked(IntervalOption::Minutes);
        }
    });
    connect(optHours_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            onOptionClicked(IntervalOption::Hours);
        }
    });
    connect(optNoRestriction_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            onOptionClicked(IntervalOption::NoRestriction);
        }
    });
    connect(numSeconds_, &QSpinBox::valueChanged, this,
            [this](int v) { model_.setCount(IntervalOption::Seconds, v); });
    connect(numMinutes_, &QSpinBox::valueChanged, this,
            [this](int v) { model_.setCount(IntervalOption::Minutes, v); });
    connect(numHours_, &QSpinBox::valueChanged, this,
            [this](int v) { model_.setCount(IntervalOption::Hours, v); });
    connect(ok, &QPushButton::clicked, this, &DataIntervalDialog::onOk);
}

void DataIntervalDialog::showEvent(QShowEvent* event) {
    if (!loaded_ && !event->spontaneous()) {
        loaded_ = true;
        model_.Load();
        refresh();
    }
    QDialog::showEvent(event);
}

void DataIntervalDialog::refresh() {
    const QSignalBlocker blocks[] = {QSignalBlocker(optSeconds_), QSignalBlocker(optMinutes_),
                                     QSignalBlocker(optHours_),   QSignalBlocker(optNoRestriction_),
                                     QSignalBlocker(numSeconds_), QSignalBlocker(numMinutes_),
                                     QSignalBlocker(numHours_)};
    const IntervalOption selected = model_.selected();
    optSeconds_->setChecked(selected == IntervalOption::Seconds);
    optMinutes_->setChecked(selected == IntervalOption::Minutes);
    optHours_->setChecked(selected == IntervalOption::Hours);
    optNoRestriction_->setChecked(selected == IntervalOption::NoRestriction);
    numSeconds_->setValue(model_.count(IntervalOption::Seconds));
    numMinutes_->setValue(model_.count(IntervalOption::Minutes));
    numHours_->setValue(model_.count(IntervalOption::Hours));
    lblMS_->setText(model_.msLabel());
}

void DataIntervalDialog::onOptionClicked(IntervalOption option) {
    model_.selectOption(option);
    refresh();
}

void DataIntervalDialog::onOk() {
    if (model_.cmdOK_Click()) {
        accept();
    }
}

}  // namespace quorlin
