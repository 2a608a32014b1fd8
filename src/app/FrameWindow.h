#pragma once

#include <QMainWindow>

#include <functional>

class QMdiArea;
class QMdiSubWindow;

namespace quorlin {

// The top-level frame: holds the main window and the modeless configuration window as
// children. Its close box ends the application.
class FrameWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit FrameWindow(std::function<void()> shutdown, QWidget* parent = nullptr);
    ~FrameWindow() override;

    // Adds the main window as the child titled "Main", shown maximized.
    QMdiSubWindow* setMainWindow(QWidget* main);
    // Adds another child window beside the main window (the configuration window).
    QMdiSubWindow* addChildWindow(QWidget* child);

    QMdiArea* mdiArea() const { return mdiArea_; }

  signals:
    // The main window became the active child: first shown, or returned to from another
    // child. Losing and regaining the focus of the whole application does not count.
    // Emitted from the event loop, never inside the show or close that activated it.
    void mainWindowActivated();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void onSubWindowActivated(QMdiSubWindow* window);

    std::function<void()> shutdown_;
    QMdiArea* mdiArea_;
    QMdiSubWindow* mainSub_ = nullptr;
    QMdiSubWindow* lastActive_ = nullptr;
};

}  // namespace quorlin
