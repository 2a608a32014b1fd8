#include "display/AboutBox.h"

#include "platform/EventGate.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>

namespace quorlin {

AboutBox::AboutBox(const QString& versionText, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("About"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    for (const QString& line :
         {QStringLiteral("Quorlin"), QStringLiteral("Data Acquisition and Display Software"),
          QStringLiteral("Version ") + versionText}) {
        auto* label = new QLabel(line, this);
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    }
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    layout->addWidget(ok, 0, Qt::AlignCenter);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void mnuAbout_Click(const QString& versionText, QWidget* parent, EventGate* gate) {
    std::optional<EventGate::Hold> hold;
    if (gate != nullptr) {
        hold.emplace(*gate);
    }
    AboutBox box(versionText, parent);
    box.exec();
}

}  // namespace quorlin
