#include "device/CommPortDialog.h"

#include "device/CommPortDialogModel.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QSpinBox>

namespace quorlin {

CommPortDialog::CommPortDialog(CommPortDialogModel& model, QWidget* parent)
    : QDialog(parent),
      model_(model),
      port_(new QSpinBox(this)),
      device_(new QLabel(this)),
      devices_(new QComboBox(this)),
      detect_(new QPushButton(QStringLiteral("Detect"), this)),
      ok_(new QPushButton(QStringLiteral("OK"), this)) {
    setObjectName(QStringLiteral("CommPort"));
    setWindowTitle(QStringLiteral("Comm Port"));
    setModal(true);

    auto* caption = new QLabel(QStringLiteral("Select Comm Port"), this);
    caption->setObjectName(QStringLiteral("lblSelectCommPort"));
    caption->setBuddy(port_);

    port_->setObjectName(QStringLiteral("NumEditCommPort"));
    port_->setAccessibleName(QStringLiteral("Comm Port"));
    port_->setRange(0, CommPortDialogModel::kMaxPort);

    device_->setObjectName(QStringLiteral("lblDevice"));
    device_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    devices_->setObjectName(QStringLiteral("cboDevice"));
    devices_->setAccessibleName(QStringLiteral("Device"));
    devices_->setEditable(true);
    devices_->setInsertPolicy(QComboBox::NoInsert);
    devices_->setMinimumContentsLength(24);
    devices_->setToolTip(
        QStringLiteral("The serial device this port number stands for; a path may be typed."));

    detect_->setObjectName(QStringLiteral("cmdDetect"));
    ok_->setObjectName(QStringLiteral("cmdOK"));
    ok_->setAutoDefault(false);
    detect_->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(caption, 0, 0);
    grid->addWidget(port_, 0, 1);
    grid->addWidget(device_, 0, 2);
    auto* deviceCaption = new QLabel(QStringLiteral("Device"), this);
    deviceCaption->setBuddy(devices_);
    grid->addWidget(deviceCaption, 1, 0);
    grid->addWidget(devices_, 1, 1, 1, 2);
    grid->setColumnStretch(2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(detect_);
    buttons->addWidget(ok_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(port_, &QSpinBox::valueChanged, this,
            [this](int v) { model_.setPortField(static_cast<qint16>(v)); });
    connect(devices_, &QComboBox::activated, this, [this](int index) {
        model_.setDevicePath(devices_->itemData(index).toString());
        showDevice();  // the edit line holds the path alone, not the item's description
    });
    // Any change of the device text counts, typed or not (the accessibility interface, an
    // input method, a paste); a listed item's text stands for its path.
    connect(devices_->lineEdit(), &QLineEdit::textChanged, this, [this](const QString& text) {
        if (showingDevice_) {
            return;
        }
        const int index = devices_->findText(text);
        model_.setDevicePath(index >= 0 ? devices_->itemData(index).toString() : text);
    });
    connect(detect_, &QPushButton::clicked, &model_, &CommPortDialogModel::cmdDetect_Click);
    connect(ok_, &QPushButton::clicked, &model_, &CommPortDialogModel::cmdOK_Click);

    connect(&model_, &CommPortDialogModel::portFieldChanged, this, &CommPortDialog::showPortField);
    connect(&model_, &CommPortDialogModel::deviceChanged, this, &CommPortDialog::showDevice);
    connect(&model_, &CommPortDialogModel::devicesChanged, this, &CommPortDialog::showDevices);
    connect(&model_, &CommPortDialogModel::okEnabledChanged, this,
            [this] { ok_->setEnabled(model_.okEnabled()); });
    connect(&model_, &CommPortDialogModel::detectEnabledChanged, this,
            [this] { detect_->setEnabled(model_.detectEnabled()); });
    connect(&model_, &CommPortDialogModel::closeRequested, this, &QDialog::accept);

    showDevices();
    showPortField();
    showDevice();
    ok_->setEnabled(model_.okEnabled());
    detect_->setEnabled(model_.detectEnabled());
}

void CommPortDialog::showEvent(QShowEvent* event) {
    model_.Load();
    QDialog::showEvent(event);
}

void CommPortDialog::showPortField() {
    const QSignalBlocker block(port_);
    port_->setValue(model_.portField());
    devices_->setEnabled(model_.portField() != 0);
}

void CommPortDialog::showDevice() {
    const QScopedValueRollback guard(showingDevice_, true);
    device_->setText(model_.deviceLabel());
    if (devices_->currentText() != model_.devicePath()) {
        const QSignalBlocker block(devices_);
        const int index = devices_->findData(model_.devicePath());
        devices_->setCurrentIndex(index);
        devices_->setEditText(model_.devicePath());
    }
}

void CommPortDialog::showDevices() {
    {
        const QScopedValueRollback guard(showingDevice_, true);
        const QSignalBlocker block(devices_);
        devices_->clear();
        for (const SerialDeviceInfo& d : model_.devices()) {
            QString text = d.path;
            if (!d.description.isEmpty()) {
                text += QStringLiteral(" - ") + d.description;
            }
            devices_->addItem(text, d.path);
            if (!d.manufacturer.isEmpty()) {
                devices_->setItemData(devices_->count() - 1, d.manufacturer, Qt::ToolTipRole);
            }
        }
    }
    showDevice();
}

}  // namespace quorlin
