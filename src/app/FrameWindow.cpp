#include "app/FrameWindow.h"

#include <QGuiApplication>
#include <QScreen>

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace quorlin {

FrameWindow::FrameWindow(std::function<void()> shutdown, QWidget* parent)
    : QMainWindow(parent), shutdown_(std::move(shutdown)), mdiArea_(new QMdiArea(this)) {
    setObjectName(QStringLiteral("MDIForm1"));
    setWindowTitle(QStringLiteral("Kestova Quorlin Data Acquisition and Display"));
    mdiArea_->setObjectName(QStringLiteral("mdiArea"));
    setCentralWidget(mdiArea_);
    // Room for the channel rows beside the chart, within the screen it opens on.
    QSize size(1400, 900);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        size = size.boundedTo(screen->availableSize() * 0.95);
    }
    resize(size);
    connect(mdiArea_, &QMdiArea::subWindowActivated, this, &FrameWindow::onSubWindowActivated);
}

// The child windows close while QWidget's destructor removes the area, when this object is a
// FrameWindow no longer: the activations they set off must not reach it.
FrameWindow::~FrameWindow() {
    disconnect(mdiArea_, nullptr, this, nullptr);
}

QMdiSubWindow* FrameWindow::setMainWindow(QWidget* main) {
    main->setWindowTitle(QStringLiteral("Main"));
    mainSub_ = mdiArea_->addSubWindow(main);
    // Closing the main child alone would leave an empty frame; Exit and the frame's close box
    // are the ways to end.
    mainSub_->setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                             Qt::WindowMinMaxButtonsHint);
    mainSub_->installEventFilter(this);
    mainSub_->showMaximized();
    return mainSub_;
}

QMdiSubWindow* FrameWindow::addChildWindow(QWidget* child) {
    QMdiSubWindow* sub = mdiArea_->addSubWindow(child);
    sub->show();
    return sub;
}

void FrameWindow::closeEvent(QCloseEvent* event) {
    // The shut-down function ends the application; no child's close handler may run first.
    event->ignore();
    if (shutdown_) {
        shutdown_();
    }
}

bool FrameWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == mainSub_ && event->type() == QEvent::Close) {
        event->ignore();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void FrameWindow::onSubWindowActivated(QMdiSubWindow* window) {
    // Null comes when the whole frame loses the focus (another program, a modal box); the
    // child that was active stays the one to return to.
    if (window == nullptr) {
        return;
    }
    const bool returned = window == mainSub_ && lastActive_ != mainSub_;
    lastActive_ = window;
    if (returned) {
        // The first activation comes from inside the frame's show(), a return from inside a
        // child's close(). The activation's work may open modal boxes, whose nested event
        // loops must not run while Qt still walks the child widgets: it runs from the event
        // loop, once the frame has finished.
        QMetaObject::invokeMethod(
            this, [this] { emit mainWindowActivated(); }, Qt::QueuedConnection);
    }
}

}  // namespace quorlin
