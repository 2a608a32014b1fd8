#pragma once

#include "platform/EventGate.h"
#include "platform/MessageBox.h"

#include <QPointer>
#include <QWidget>

namespace quorlin {

// Modal boxes titled "Quorlin". Port events wait while a box is open.
class QtMessageBox : public MessageBox {
  public:
    explicit QtMessageBox(EventGate& gate, QWidget* parent = nullptr)
        : gate_(gate), parent_(parent) {}

    void setParentWidget(QWidget* parent) { parent_ = parent; }

    void showOk(const QString& text) override;
    bool showRetryCancel(const QString& text) override;

    // The system's texts break lines with CR or CR LF; a label wants LF.
    static QString displayText(const QString& text);

  private:
    EventGate& gate_;
    QPointer<QWidget> parent_;
};

}  // namespace quorlin
