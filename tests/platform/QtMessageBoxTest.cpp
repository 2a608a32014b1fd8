#include "platform/QtMessageBox.h"

#include "PlatformTestUtil.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

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

TEST(QtMessageBox, retryCancel_retryButtonGivesRetry) {
    EventGate gate;
    QtMessageBox boxes(gate);
    QString shownText;
    bool retryFirst = false;
    QMessageBox::Icon icon = QMessageBox::Warning;
    whenModalAppears([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        shownText = box->text();
        icon = box->icon();
        QAbstractButton* retry = box->button(QMessageBox::Retry);
        QAbstractButton* cancel = box->button(QMessageBox::Cancel);
        ASSERT_TRUE(retry != nullptr && cancel != nullptr);
        retryFirst = retry->mapToGlobal(QPoint()).x() < cancel->mapToGlobal(QPoint()).x();
        retry->click();
    });
    EXPECT_TRUE(boxes.showRetryCancel(QStringLiteral("Line one\r\nLine two\rLine three")));
    EXPECT_EQ(shownText, QStringLiteral("Line one\nLine two\nLine three"));
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_TRUE(retryFirst);
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
