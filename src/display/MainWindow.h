#pragma once

#include "chart/FramePacer.h"
#include "common/Channel.h"
#include "presentation/MainWindowModel.h"

#include <QWidget>

#include <bitset>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QVBoxLayout;

namespace quorlin {

// The main window ("Main"). A passive view: it mirrors MainWindowModel and sends the
// operator's intent out (check boxes write the model's Checked state; the rest by signal).
// Menu items are the model's own actions.
//
// The value texts (volts, scaled, peak, peak time, the Channel Range readout) change with
// every reply of a fast board; they reach their boxes at the screen's pace (FramePacer),
// one repaint for all that changed meanwhile, instead of a repaint per reply. Everything
// else at once.
class MainWindow : public QWidget {
    Q_OBJECT
  public:
    MainWindow(MainWindowModel& model, QWidget* chartWidget, QWidget* parent = nullptr);

  signals:
    void tareClicked(int channel);
    // After the operator's click has been written into the model.
    void checkClicked(int channel, bool checked);
    // Key presses that reach the window; Ctrl+F8 arrives whichever child has the focus.
    void keyPressed(int key, Qt::KeyboardModifiers modifiers);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    struct RowWidgets {
        QFrame* frame = nullptr;
        QCheckBox* check = nullptr;
        QLineEdit* volts = nullptr;
        QLabel* unit = nullptr;
        QLineEdit* scaled = nullptr;
        QLineEdit* peak = nullptr;
        QLineEdit* peakTime = nullptr;
        QPushButton* tare = nullptr;
    };

    QWidget* buildGroup(int group);
    QFrame* buildRow(int channel);
    QWidget* buildChannelRange();
    void buildMenus(QVBoxLayout* layout);
    QMenu* addMenu(QAction* menuModel, std::initializer_list<QAction*> items);

    void onRowChanged(int channel, RowField field);
    void onReadoutChanged(ReadoutField field);
    void showPendingTexts();
    void showRow(int channel, RowField field);
    void showReadout(ReadoutField field);
    void showBoardStatus();
    void showAveragingNotice();
    void showRunStatus();

    MainWindowModel& model_;
    PerChannel<RowWidgets> rows_{};
    QGroupBox* groups_[2] = {};
    QGroupBox* fraHiLo_ = nullptr;
    QLabel* lblHi_ = nullptr;
    QLineEdit* txtHi_ = nullptr;
    QLabel* lblLo_ = nullptr;
    QLineEdit* txtLo_ = nullptr;
    QLineEdit* txtDiff_ = nullptr;
    QLabel* lblFile_ = nullptr;
    QLabel* lblBoardStatus_ = nullptr;
    QLabel* lblAveragingNotice_ = nullptr;
    QLabel* lblRunStatus_ = nullptr;

    static constexpr int kRowFields = static_cast<int>(RowField::Colour) + 1;
    static constexpr int kReadoutFields = static_cast<int>(ReadoutField::Visible) + 1;
    PerChannel<std::bitset<kRowFields>> pendingRow_{};
    std::bitset<kReadoutFields> pendingReadout_;
    FramePacer texts_{[this] { showPendingTexts(); }};
};

}  // namespace quorlin
