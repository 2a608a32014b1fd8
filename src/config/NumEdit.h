#pragma once

#include "common/Colour.h"

#include <QLineEdit>

namespace quorlin {

// A numeric entry field that holds any double a configuration file can: exponent form is
// accepted, "." is the only separator whatever the locale, and the value is shown with 15
// significant digits. The field keeps the exact value it was given until the operator
// types a new one, so showing a value never rounds it.
class NumEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit NumEdit(QWidget* parent = nullptr);

    double value() const { return value_; }
    void setValue(double value);  // no valueEdited
    void setBackground(ColourValue colour);

  signals:
    // The text was changed, by any route but setValue, to one that reads as a whole number.
    void valueEdited(double value);

  protected:
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void showValue(double value);

    double value_ = 0;
    bool showing_ = false;  // the text is being set from value_
};

}  // namespace quorlin
