#pragma once

#include "common/Channel.h"
#include "config/ConfigurationDialogModel.h"

#include <QList>
#include <QMainWindow>

#include <array>
#include <memory>

class QCheckBox;
class QComboBox;
class QFrame;
class QGridLayout;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace quorlin {

class NumEdit;

// The "Configuration" window: a tab control with one row per channel and the other
// settings, and a File menu. It mirrors its model and forwards the operator's edits; it is
// modeless and, once placed in the frame's workspace, lives inside an MDI subwindow. Return
// closes it (or its subwindow) and, with WA_DeleteOnClose, discards it.
class ConfigurationDialog : public QMainWindow {
    Q_OBJECT
  public:
    // Builds the window and runs the model's Load.
    explicit ConfigurationDialog(std::unique_ptr<ConfigurationDialogModel> model,
                                 QWidget* parent = nullptr);
    ~ConfigurationDialog() override;

    ConfigurationDialogModel& model() { return *model_; }

  private:
    struct RowWidgets {
        QCheckBox* active = nullptr;
        QRadioButton* linear = nullptr;
        QRadioButton* poly = nullptr;
        QFrame* slopeOffset = nullptr;
        QFrame* polynomial = nullptr;
        QFrame* ghostP = nullptr;
        QFrame* ghostL = nullptr;
        NumEdit* slope = nullptr;
        NumEdit* offset = nullptr;
        QComboBox* peak = nullptr;
        QSpinBox* order = nullptr;
        std::array<NumEdit*, kPolyCoeffCount> coefficients{};
        QLineEdit* units = nullptr;
    };

    QWidget* buildChannelPage(int firstChannel);
    void buildChannelRow(QGridLayout* grid, int gridRow, int channel);
    QWidget* buildOtherPage();
    void buildMenu();
    void FormatCoefficientHeadings(QGridLayout* grid);
    void showField(ConfigField field, int channel, int index);
    void showAll();
    void closeWindow();

    std::unique_ptr<ConfigurationDialogModel> model_;
    QTabWidget* tabs_ = nullptr;
    PerChannel<RowWidgets> rows_{};
    QList<QRadioButton*> samples_;
    QList<QRadioButton*> graphMethod_;
    QList<QRadioButton*> saveMethod_;
    NumEdit* upper_ = nullptr;
    NumEdit* lower_ = nullptr;
    QCheckBox* graphScale_ = nullptr;
};

}  // namespace quorlin
