#include "platform/QtMessageBox.h"

#include "PlatformTestUtil.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

using namespace quorlin;
using quorlin::test::whenModalAppears;

TEST(QtMessageBox, retryCancel_escapeIsCancelAndTheGateIsClosedMeanwhile) {
    EventGate gate;
    QtMessageBox boxes(gate);
    bool gateOpenWhileShown = true;
    QString title;
    whenModalAppears([&](QWidget* w) {
        gateOpenWhileShown = gate.isOpen();
        title = w->windowTitle();
        QTest::keyClick(w, Qt::Key_Escape);
    });
    EXPECT_FALSE(boxes.showRetryCancel(QStringLiteral("Failure")));
    EXPECT_FALSE(gateOpenWhileShown);
    EXPECT_TRUE(gate.isOpen());
    EXPECT_EQ(title, QStringLiteral("Quorlin"));
}

// A style that lays dialog buttons out as one desktop does.
class ButtonLayoutStyle : public QProxyStyle {
  public:
    explicit ButtonLayoutStyle(QDialogButtonBox::ButtonLayout layout)
        : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))), layout_(layout) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_DialogButtonLayout) {
            return layout_;
        }
        return QProxyStyle::styleHint(hint, option, widget, data);
    }

  private:
    QDialogButtonBox::ButtonLayout layout_;
};

TEST(QtMessageBox, retryCancel_retryShownFirstOnEveryDesktopLayout_andGivesRetry) {
    const QString styleBefore = QApplication::style()->name();
    for (const auto layout :
         {QDialogButtonBox::WinLayout, QDialogButtonBox::MacLayout, QDialogButtonBox::KdeLayout,
          QDialogButtonBox::GnomeLayout, QDialogButtonBox::AndroidLayout}) {
        QApplication::setStyle(new ButtonLayoutStyle(layout));
        EventGate gate;
        QtMessageBox boxes(gate);
        QString shownText;
        QStringList shownOrder;
        QMessageBox::Icon icon = QMessageBox::Warning;
        whenModalAppears([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            shownText = box->text();
            icon = box->icon();
            QList<QAbstractButton*> buttons = box->buttons();
            std::sort(buttons.begin(), buttons.end(), [](QAbstractButton* a, QAbstractButton* b) {
                return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
            });
            for (QAbstractButton* b : buttons) {
                shownOrder << b->text();
            }
            ASSERT_FALSE(buttons.isEmpty());
            buttons.first()->click();
        });
        EXPECT_TRUE(boxes.showRetryCancel(QStringLiteral("Line one\r\nLine two\rLine three")))
            << "layout " << layout;
        EXPECT_EQ(shownOrder.join(u',').toStdString(), "Retry,Cancel") << "layout " << layout;
        EXPECT_EQ(shownText, QStringLiteral("Line one\nLine two\nLine three"));
        EXPECT_EQ(icon, QMessageBox::NoIcon);
    }
    QApplication::setStyle(styleBefore);
}

TEST(QtMessageBox, ok_hasOnlyAnOkButton) {
    EventGate gate;
    QtMessageBox boxes(gate);
    qsizetype buttons = 0;
    whenModalAppears([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        buttons = box->buttons().size();
        box->button(QMessageBox::Ok)->click();
    });
    boxes.showOk(QStringLiteral("The program is already running!"));
    EXPECT_EQ(buttons, 1);
}
