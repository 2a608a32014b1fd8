#pragma once

// Changes a widget the way a screen reader or voice control does: through its accessibility
// interface, with no mouse or key event on the way.

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleEditableTextInterface>
#include <QAccessibleTextInterface>
#include <QWidget>

#include <gtest/gtest.h>

namespace quorlin::test {

// Replaces the whole text of an editable field.
inline void accessibleReplaceText(QWidget* widget, const QString& text) {
    ASSERT_NE(widget, nullptr);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
    ASSERT_TRUE(a != nullptr && a->editableTextInterface() != nullptr && a->textInterface())
        << widget->objectName().toStdString();
    a->editableTextInterface()->replaceText(0, a->textInterface()->characterCount(), text);
}

// The toggle action of a check box or option button.
inline void accessibleToggle(QWidget* widget) {
    ASSERT_NE(widget, nullptr);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
    ASSERT_TRUE(a != nullptr && a->actionInterface() != nullptr)
        << widget->objectName().toStdString();
    a->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
}

}  // namespace quorlin::test
