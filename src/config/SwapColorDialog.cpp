#include "config/SwapColorDialog.h"

#include "config/SwapColorDialogModel.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace quorlin {

SwapColorDialog::SwapColorDialog(SwapColorDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("SwapColor"));
    setWindowTitle(QStringLiteral("Swap Color"));
    setModal(true);

    auto* frame = new QGroupBox(QStringLiteral("Select Item and Swap Color"), this);
    frame->setObjectName(QStringLiteral("fraSelectItem"));
    auto* frameLayout = new QVBoxLayout(frame);
    for (int item = 0; item <= SwapColorDialogModel::kGraphBackground; ++item) {
        const bool background = item == SwapColorDialogModel::kGraphBackground;
        auto* option =
            new QRadioButton(background ? QStringLiteral("Graph Background")
                                        : QStringLiteral("Channel %1 Plot Line").arg(item),
                             frame);
        option->setObjectName(background ? QStringLiteral("optGB")
                                         : QStringLiteral("optCH%1").arg(item));
        frameLayout->addWidget(option);
        options_.append(option);
        // Selected by any route (mouse, keys, the accessibility interface); showSelection
        // blocks the echo.
        connect(option, &QRadioButton::toggled, this, [this, item](bool on) {
            if (on) {
                model_.setSelectedItem(item);
            }
        });
    }

    auto* swap = new QPushButton(QStringLiteral("Swap"), this);
    swap->setObjectName(QStringLiteral("cmdSwap"));
    auto* defaults = new QPushButton(QStringLiteral("Default All"), this);
    defaults->setObjectName(QStringLiteral("cmdDefault"));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    for (QPushButton* b : {swap, defaults, ok}) {
        b->setAutoDefault(false);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(swap);
    buttons->addWidget(defaults);
    buttons->addStretch();
    buttons->addWidget(ok);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);

    connect(swap, &QPushButton::clicked, &model_, &SwapColorDialogModel::cmdSwap_Click);
    connect(defaults, &QPushButton::clicked, &model_, &SwapColorDialogModel::cmdDefault_Click);
    connect(ok, &QPushButton::clicked, &model_, &SwapColorDialogModel::cmdOK_Click);
    connect(&model_, &SwapColorDialogModel::selectedItemChanged, this,
            &SwapColorDialog::showSelection);
    connect(&model_, &SwapColorDialogModel::closeRequested, this, &QDialog::accept);
    showSelection();
}

void SwapColorDialog::showSelection() {
    for (int i = 0; i < options_.size(); ++i) {
        const QSignalBlocker block(options_[i]);
        options_[i]->setAutoExclusive(false);
        options_[i]->setChecked(i == model_.selectedItem());
        options_[i]->setAutoExclusive(true);
    }
}

}  // namespace quorlin
