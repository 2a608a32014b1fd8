#pragma once

#include "platform/ColourDialog.h"
#include "platform/EventGate.h"

#include <QPointer>
#include <QWidget>

namespace quorlin {

class QtColourDialog : public ColourDialog {
  public:
    explicit QtColourDialog(EventGate& gate, QWidget* parent = nullptr)
        : gate_(gate), parent_(parent) {}
    void setParentWidget(QWidget* parent) { parent_ = parent; }
    ColourValue choose(ColourValue current) override;

  private:
    EventGate& gate_;
    QPointer<QWidget> parent_;
};

}  // namespace quorlin
