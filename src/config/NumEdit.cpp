#include "config/NumEdit.h"

#include "common/NumberText.h"

#include <QDoubleValidator>
#include <QLocale>
#include <QPalette>
#include <QScopedValueRollback>

namespace quorlin {

NumEdit::NumEdit(QWidget* parent) : QLineEdit(parent) {
    auto* validator = new QDoubleValidator(this);
    validator->setNotation(QDoubleValidator::ScientificNotation);
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    validator->setLocale(c);
    setValidator(validator);
    setAlignment(Qt::AlignRight);
    setText(displayNumberText(value_));

    // Every change of the text counts, not only typing: a screen reader, voice control, an
    // input method or a paste may put it there.
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        double v = 0;
        if (!showing_ && parseWholeNumber(text, v)) {
            value_ = v;
            emit valueEdited(v);
        }
    });
}

// Text left half-typed ("1e", "-") goes back to the value the field holds.
void NumEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    double v = 0;
    if (!parseWholeNumber(text(), v)) {
        showValue(value_);
    }
}

void NumEdit::setValue(double value) {
    double shown = 0;
    if (value == value_ && parseWholeNumber(text(), shown) && shown == value) {
        return;  // already shown, perhaps as the operator typed it ("1.50", "2e3")
    }
    showValue(value);
}

void NumEdit::showValue(double value) {
    const QScopedValueRollback guard(showing_, true);
    value_ = value;
    setText(displayNumberText(value));
}

void NumEdit::setBackground(ColourValue colour) {
    QPalette p = palette();
    const QColor c = toQColor(colour);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::Base, c);
    }
    setPalette(p);
}

}  // namespace quorlin
