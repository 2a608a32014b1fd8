#pragma once

#include "acquisition/DataIntervalDialogModel.h"

#include <QDialog>

class QLabel;
class QRadioButton;
class QSpinBox;

namespace quorlin {

// The modal Set Data Interval dialog: mirrors a DataIntervalDialogModel and forwards the
// operator's clicks to it. Loads the setting in force when first shown; OK applies it and
// closes, closing the window any other way changes nothing.
class DataIntervalDialog : public QDialog {
    Q_OBJECT
  public:
    DataIntervalDialog(SettingsModel& settings, MessageBox& messages, QWidget* parent = nullptr);

    DataIntervalDialogModel& model() { return model_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void refresh();
    void onOptionClicked(IntervalOption option);
    void onOk();

    DataIntervalDialogModel model_;
    bool loaded_ = false;
    QRadioButton* optSeconds_;
    QRadioButton* optMinutes_;
    QRadioButton* optHours_;
    QRadioButton* optNoRestriction_;
    QSpinBox* numSeconds_;
    QSpinBox* numMinutes_;
    QSpinBox* numHours_;
    QLabel* lblMS_;
};

}  // namespace quorlin
