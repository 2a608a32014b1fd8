#include "display/AboutBox.h"
#include "display/MainWindow.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace quorlin {
namespace {

class MainWindowTest : public ::testing::Test {
  protected:
    template <typename T>
    T* find(const QString& name) {
        T* w = window.findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QLineEdit* box(const char* prefix, int k) {
        return find<QLineEdit>(QString::fromLatin1(prefix) + QString::number(k));
    }
    QStringList menuItems(QMenu* menu) {
        QStringList out;
        for (QAction* a : menu->actions()) {
            out << a->objectName() + u'=' + (a->isSeparator() ? QStringLiteral("-") : a->text());
        }
        return out;
    }

    MainWindowModel model;
    QWidget* chart = new QWidget;
    MainWindow window{model, chart};
};

TEST_F(MainWindowTest, everyRowControlCarriesItsNameCaptionAndAccessibleName) {
    EXPECT_EQ(window.objectName(), QStringLiteral("Main"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Main"));
    EXPECT_EQ(find<QGroupBox>("fraChannels03")->title(), QStringLiteral("Channels 0-3"));
    EXPECT_EQ(find<QGroupBox>("fraChannels47")->title(), QStringLiteral("Channels 4-7"));
    for (int k = 0; k < kChannelCount; ++k) {
        const QString d = QString::number(k);
        const QString ch = QStringLiteral("CH") + d;
        auto* frame = find<QFrame>(QStringLiteral("fraCH") + d);
        // Rows 0-3 in the first group, 4-7 in the second.
        EXPECT_TRUE(frame->parent()->objectName() ==
                    (k < 4 ? QStringLiteral("fraChannels03") : QStringLiteral("fraChannels47")));
        EXPECT_EQ(find<QCheckBox>(QStringLiteral("chkCH") + d)->accessibleName(),
                  ch + QStringLiteral(" Active"));
        EXPECT_TRUE(find<QCheckBox>(QStringLiteral("chkCH") + d)->text().isEmpty());
        EXPECT_EQ(box("txtCH", k)->text(), QStringLiteral("0"));
        EXPECT_EQ(box("txtCH", k)->accessibleName(), ch + QStringLiteral(" Volts"));
        EXPECT_TRUE(box("txtCH", k)->isReadOnly());
        EXPECT_EQ(box("txtScaleCH", k)->accessibleName(), ch + QStringLiteral(" Scaled Value"));
        EXPECT_EQ(box("txtPeakCH", k)->accessibleName(), ch + QStringLiteral(" Peak"));
        EXPECT_EQ(box("txtTimeCH", k)->accessibleName(), ch + QStringLiteral(" Peak Time"));
        EXPECT_TRUE(box("txtTimeCH", k)->text().isEmpty());
        EXPECT_EQ(find<QLabel>(QStringLiteral("lblCH") + d)->text(), QStringLiteral("Volts"));
        auto* tare = find<QPushButton>(QStringLiteral("cmdTare") + d);
        EXPECT_EQ(tare->text(), QStringLiteral("Tare"));
        EXPECT_EQ(tare->accessibleName(), ch + QStringLiteral(" Tare"));
        // The channel number stands at the start of the row.
        QStringList labels;
        for (auto* l : frame->findChildren<QLabel*>()) {
            labels << l->text();
        }
        EXPECT_TRUE(labels.contains(d)) << k;
    }
    for (const char* heading : {"CH", "Volts", "Unit", "Scaled Value", "Peak"}) {
        int count = 0;
        for (auto* l : window.findChildren<QLabel*>()) {
            count += l->text() == QLatin1String(heading) && l->parent()->objectName().isEmpty();
        }
        EXPECT_EQ(count, 2) << heading;  // one heading per group
    }
}

TEST_F(MainWindowTest, channelRangeFileLabelAndChartAreInPlace) {
    auto* hiLo = find<QGroupBox>("fraHiLo");
    EXPECT_EQ(hiLo->title(), QStringLiteral("Channel Range"));
    EXPECT_TRUE(hiLo->isHidden());
    EXPECT_EQ(find<QLabel>("lblHi")->text(), QStringLiteral("High"));
    EXPECT_EQ(find<QLabel>("lblLo")->text(), QStringLiteral("Low"));
    EXPECT_EQ(find<QLabel>("lblDiff")->text(), QStringLiteral("Difference"));
    EXPECT_EQ(find<QLineEdit>("txtHi")->accessibleName(), QStringLiteral("High"));
    EXPECT_EQ(find<QLineEdit>("txtLo")->accessibleName(), QStringLiteral("Low"));
    EXPECT_EQ(find<QLineEdit>("txtDiff")->accessibleName(), QStringLiteral("Difference"));
    EXPECT_EQ(find<QLabel>("lblFile")->text(), QStringLiteral("No data file in use."));
    EXPECT_EQ(chart->parent()->objectName(), QStringLiteral("fraGraph"));

    model.setHiLabel(QStringLiteral("CH6"));
    model.setDiffText(QStringLiteral("1.75"));
    model.setReadoutVisible(true);
    model.setFileLabel(QStringLiteral("/data/run.csv"));
    EXPECT_EQ(find<QLabel>("lblHi")->text(), QStringLiteral("CH6"));
    EXPECT_EQ(find<QLineEdit>("txtDiff")->text(), QStringLiteral("1.75"));
    EXPECT_FALSE(hiLo->isHidden());
    EXPECT_EQ(find<QLabel>("lblFile")->text(), QStringLiteral("/data/run.csv"));
}

TEST_F(MainWindowTest, menusInOrderWithTheModelsActions) {
    auto* bar = window.findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    QStringList menus;
    for (QAction* a : bar->actions()) {
        menus << a->menu()->objectName() + u'=' + a->text();
    }
    EXPECT_EQ(menus, (QStringList{"mnuFile=&File", "mnuTools=&Tools", "mnuHelp=&Help"}));
    EXPECT_EQ(menuItems(find<QMenu>("mnuFile")),
              (QStringList{"mnuSave=&Save", "mnuSample=Sam&ple", "mnuSep=-", "mnuExit=E&xit"}));
    EXPECT_EQ(menuItems(find<QMenu>("mnuTools")),
              (QStringList{"mnuCommPort=&Comm Port", "mnuConfiguration=Con&figuration",
                           "mnuPeakOn=Peak &On", "mnuSetDataInterval=&Set Data Interval",
                           "mnuSwapColor=Swap Co&lor", "mnuChannelRangeVolts=Channel Range &Volts",
                           "mnuChannelRangeScale=Channel Range Scal&e"}));
    EXPECT_EQ(menuItems(find<QMenu>("mnuHelp")),
              (QStringList{"mnuHelpHelp=&Help", "mnuAbout=&About"}));
    EXPECT_EQ(find<QMenu>("mnuTools")->actions()[0], model.mnuCommPort);

    model.mnuTools->setEnabled(false);  // sampling runs
    EXPECT_FALSE(find<QMenu>("mnuTools")->menuAction()->isEnabled());
    EXPECT_TRUE(find<QMenu>("mnuFile")->menuAction()->isEnabled());
    model.mnuTools->setEnabled(true);
    EXPECT_TRUE(find<QMenu>("mnuTools")->menuAction()->isEnabled());
}

TEST_F(MainWindowTest, rowsMirrorModelChanges) {
    model.setVoltsText(3, QStringLiteral("1.25"));
    model.setUnitText(3, QStringLiteral("kPa"));
    model.setScaledText(3, QStringLiteral("-4.5"));
    model.setPeakText(3, QStringLiteral("7"));
    model.setPeakTimeText(3, QStringLiteral("2026-12-07 14:05:09"));
    model.setChecked(3, true);
    model.setCheckEnabled(3, false);
    model.setFrameVisible(6, false);
    model.setTareCaption(3, QStringLiteral("Untare"));
    EXPECT_EQ(box("txtCH", 3)->text(), QStringLiteral("1.25"));
    EXPECT_EQ(find<QLabel>("lblCH3")->text(), QStringLiteral("kPa"));
    EXPECT_EQ(box("txtScaleCH", 3)->text(), QStringLiteral("-4.5"));
    EXPECT_EQ(box("txtPeakCH", 3)->text(), QStringLiteral("7"));
    EXPECT_EQ(box("txtTimeCH", 3)->text(), QStringLiteral("2026-12-07 14:05:09"));
    EXPECT_TRUE(find<QCheckBox>("chkCH3")->isChecked());
    EXPECT_FALSE(find<QCheckBox>("chkCH3")->isEnabled());
    EXPECT_TRUE(find<QFrame>("fraCH6")->isHidden());
    EXPECT_FALSE(find<QFrame>("fraCH5")->isHidden());
    EXPECT_EQ(find<QPushButton>("cmdTare3")->text(), QStringLiteral("Untare"));
    EXPECT_EQ(find<QPushButton>("cmdTare3")->accessibleName(), QStringLiteral("CH3 Untare"));
    EXPECT_EQ(box("txtCH", 2)->text(), QStringLiteral("0"));  // other rows untouched

    model.setGroupVisible(1, false);
    EXPECT_TRUE(find<QGroupBox>("fraChannels47")->isHidden());
    EXPECT_FALSE(find<QGroupBox>("fraChannels03")->isHidden());
}

TEST_F(MainWindowTest, valueBoxesTakeRowColourWithReadableText) {
    model.setColour(1, rgbValue(0, 0, 128));    // dark blue
    model.setColour(2, rgbValue(255, 255, 0));  // yellow
    for (const char* prefix : {"txtCH", "txtScaleCH", "txtPeakCH"}) {
        EXPECT_EQ(box(prefix, 1)->palette().color(QPalette::Base), QColor(0, 0, 128));
        EXPECT_EQ(box(prefix, 1)->palette().color(QPalette::Text), QColor(Qt::white));
        EXPECT_EQ(box(prefix, 2)->palette().color(QPalette::Base), QColor(255, 255, 0));
        EXPECT_EQ(box(prefix, 2)->palette().color(QPalette::Text), QColor(Qt::black));
    }
}

TEST_F(MainWindowTest, boardStatusShownOnlyWhenSet) {
    auto* status = find<QLabel>("lblBoardStatus");
    EXPECT_TRUE(status->isHidden());
    model.setBoardStatus(QStringLiteral("The board does not answer."));
    EXPECT_FALSE(status->isHidden());
    EXPECT_EQ(status->text(), QStringLiteral("The board does not answer."));
    model.setBoardStatus(QString());
    EXPECT_TRUE(status->isHidden());
}

TEST_F(MainWindowTest, operatorClicksGoOutThroughModelAndSignals) {
    QSignalSpy tare(&window, &MainWindow::tareClicked);
    QSignalSpy check(&window, &MainWindow::checkClicked);
    find<QPushButton>("cmdTare5")->click();
    ASSERT_EQ(tare.size(), 1);
    EXPECT_EQ(tare[0][0].toInt(), 5);

    find<QCheckBox>("chkCH2")->click();
    EXPECT_TRUE(model.row(2).checked);
    ASSERT_EQ(check.size(), 1);
    EXPECT_EQ(check[0][0].toInt(), 2);
    EXPECT_TRUE(check[0][1].toBool());

    model.setChecked(2, false);  // the layout, not the operator: no click signal
    EXPECT_EQ(check.size(), 1);
}

TEST_F(MainWindowTest, ctrlF8_reachesTheWindowWhileAChildHasFocus) {
    QSignalSpy keys(&window, &MainWindow::keyPressed);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QLineEdit* volts = box("txtCH", 0);
    volts->setFocus();
    QTest::keyClick(volts, Qt::Key_F8, Qt::ControlModifier);
    QTest::keyClick(volts, Qt::Key_F8);
    // The Ctrl key's own presses may come through too; Ctrl+F8 arrives once, with Ctrl.
    QList<Qt::KeyboardModifiers> f8;
    for (const auto& args : keys) {
        if (args[0].toInt() == Qt::Key_F8) {
            f8.append(args[1].value<Qt::KeyboardModifiers>());
        }
    }
    EXPECT_EQ(f8, (QList<Qt::KeyboardModifiers>{Qt::ControlModifier, Qt::NoModifier}));
}

TEST(AboutBoxTest, showsNameAndVersionAndOkCloses) {
    AboutBox about(QStringLiteral("2.1.3"));
    EXPECT_EQ(about.objectName(), QStringLiteral("About"));
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    EXPECT_TRUE(about.isModal());
    QStringList lines;
    for (auto* l : about.findChildren<QLabel*>()) {
        lines << l->text();
    }
    EXPECT_EQ(lines,
              (QStringList{"Quorlin", "Data Acquisition and Display Software", "Version 2.1.3"}));
    auto* ok = about.findChild<QPushButton*>();
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    about.show();
    ok->click();
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace quorlin
