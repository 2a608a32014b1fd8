#include "platform/QtMessageBox.h"

#include <QMessageBox>
#include <QPushButton>

namespace quorlin {

namespace {
const QString kTitle = QStringLiteral("Quorlin");
}  // namespace

QString QtMessageBox::displayText(const QString& text) {
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(u'\r', u'\n');
    return out;
}

void QtMessageBox::showOk(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, kTitle, displayText(text), QMessageBox::Ok, parent_);
    box.setTextFormat(Qt::PlainText);
    box.setEscapeButton(QMessageBox::Ok);
    const EventGate::Hold hold(gate_);
    box.exec();
}

bool QtMessageBox::showRetryCancel(const QString& text) {
    QMessageBox box(parent_);
    box.setWindowTitle(kTitle);
    box.setIcon(QMessageBox::NoIcon);
    box.setTextFormat(Qt::PlainText);
    box.setText(displayText(text));
    // Standard buttons are ordered by the desktop's layout, which puts Cancel (it ends the
    // program) first on some. Two buttons of one role keep the order they were added in.
    QPushButton* retry = box.addButton(QStringLiteral("Retry"), QMessageBox::ActionRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::ActionRole);
    box.setDefaultButton(retry);
    box.setEscapeButton(cancel);
    const EventGate::Hold hold(gate_);
    box.exec();
    return box.clickedButton() == retry;
}

}  // namespace quorlin
