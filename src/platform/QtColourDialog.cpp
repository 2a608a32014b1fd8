#include "platform/QtColourDialog.h"

#include <QColorDialog>

namespace quorlin {

ColourValue QtColourDialog::choose(ColourValue current) {
    QColorDialog dialog(toQColor(current), parent_);
    const EventGate::Hold hold(gate_);
    if (dialog.exec() != QDialog::Accepted || !dialog.selectedColor().isValid()) {
        return current;
    }
    return fromQColor(dialog.selectedColor());
}

}  // namespace quorlin
