#pragma once

// Changes a widget the way a screen reader or voice control does: through its accessibility
// interface, with no mouse or key event on the way.

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleEditableTextInterface>
#include <QAccessibleTextInterface>
#include <QWidget>

namespace quorlin::test {

// Replaces the whole text of an editable field.
inline void accessibleReplaceText(QWidget* widget, const QString& text) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
    a->editableTextInterface()->replaceText(0, a->textInterface()->characterCount(), text);
}

// The toggle action of a check box or option button.
inline void accessibleToggle(QWidget* widget) {
    QAccessible::queryAccessibleInterface(widget)->actionInterface()->doAction(
        QAccessibleActionInterface::toggleAction());
}

}  // namespace quorlin::test
