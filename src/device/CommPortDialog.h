#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace quorlin {

class CommPortDialogModel;

// The "Comm Port" window: mirrors a CommPortDialogModel and forwards the operator's actions.
// Modal; OK closes it through the model. There is no Cancel: the close box leaves without
// storing anything.
class CommPortDialog : public QDialog {
    Q_OBJECT
  public:
    explicit CommPortDialog(CommPortDialogModel& model, QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void showPortField();
    void showDevice();
    void showDevices();

    CommPortDialogModel& model_;
    QSpinBox* port_;
    QLabel* device_;
    QComboBox* devices_;
    QPushButton* detect_;
    QPushButton* ok_;
    bool showingDevice_ = false;  // the device text is being set from the model
};

}  // namespace quorlin
