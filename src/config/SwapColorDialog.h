#pragma once

#include <QDialog>
#include <QList>

class QRadioButton;

namespace quorlin {

class SwapColorDialogModel;

// The "Swap Color" window: nine options and three buttons, forwarded to its model. Modal.
class SwapColorDialog : public QDialog {
    Q_OBJECT
  public:
    explicit SwapColorDialog(SwapColorDialogModel& model, QWidget* parent = nullptr);

  private:
    void showSelection();

    SwapColorDialogModel& model_;
    QList<QRadioButton*> options_;  // optCH0..optCH7, optGB
};

}  // namespace quorlin
