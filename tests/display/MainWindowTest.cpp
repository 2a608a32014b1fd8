#include "display/AboutBox.h"
#include "display/MainWindow.h"
#include "display/RunStatusModel.h"
#include "support/AccessibleRoute.h"
#include "support/Fakes.h"

#include <QCheckBox>
#include <QDeadlineTimer>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace quorlin {
namespace {

// A chart widget that keeps every key press to itself.
class KeyEater : public QWidget {
  protected:
    void keyPressEvent(QKeyEvent* e) override { e->accept(); }
};

class MainWindowTest : public ::testing::Test {
  protected:
    template <typename T = QWidget>
    T* find(const QString& name, int k = -1) {
        T* w = window.findChild<T*>(k < 0 ? name : name + QString::number(k));
        EXPECT_NE(w, nullptr) << name.toStdString() << k;
        return w;
    }
    QStringList items(const char* menu) {
        QStringList out;
        for (QAction* a : find<QMenu>(menu)->actions()) {
            out << a->objectName() + u'=' + (a->isSeparator() ? QStringLiteral("-") : a->text());
        }
        return out;
    }

    // Whether the box shows the text within a deadline, running the event loop meanwhile.
    bool showsSoon(const QString& box, const QString& text) {
        auto* edit = window.findChild<QLineEdit*>(box);
        QDeadlineTimer deadline(30000);
        while (edit != nullptr && edit->text() != text && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        }
        return edit != nullptr && edit->text() == text;
    }

    MainWindowModel model;
    QWidget* chart = new KeyEater;
    MainWindow window{model, chart};
};

TEST_F(MainWindowTest, controlsCarryNamesCaptionsAndAccessibleNames) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Main"));
    EXPECT_EQ(find<QGroupBox>("fraChannels03")->title(), QStringLiteral("Channels 0-3"));
    EXPECT_EQ(find<QGroupBox>("fraChannels47")->title(), QStringLiteral("Channels 4-7"));
    for (int k = 0; k < kChannelCount; ++k) {
        const QString ch = QStringLiteral("CH%1 ").arg(k);
        EXPECT_EQ(find("fraCH", k)->parent(), find(k < 4 ? "fraChannels03" : "fraChannels47"));
        EXPECT_EQ(find("chkCH", k)->accessibleName(), ch + "Active");
        EXPECT_EQ(find<QLineEdit>("txtCH", k)->text(), QStringLiteral("0"));
        EXPECT_TRUE(find<QLineEdit>("txtCH", k)->isReadOnly());
        EXPECT_EQ(find("txtCH", k)->accessibleName(), ch + "Volts");
        EXPECT_EQ(find("txtScaleCH", k)->accessibleName(), ch + "Scaled Value");
        EXPECT_EQ(find("txtPeakCH", k)->accessibleName(), ch + "Peak");
        EXPECT_EQ(find("txtTimeCH", k)->accessibleName(), ch + "Peak Time");
        EXPECT_EQ(find<QLabel>("lblCH", k)->text(), QStringLiteral("Volts"));
        EXPECT_EQ(find<QPushButton>("cmdTare", k)->text(), QStringLiteral("Tare"));
        EXPECT_EQ(find("cmdTare", k)->accessibleName(), ch + "Tare");
    }
    EXPECT_EQ(find<QGroupBox>("fraHiLo")->title(), QStringLiteral("Channel Range"));
    EXPECT_TRUE(find("fraHiLo")->isHidden());
    EXPECT_EQ(find<QLabel>("lblDiff")->text(), QStringLiteral("Difference"));
    EXPECT_EQ(find("txtHi")->accessibleName(), QStringLiteral("High"));
    EXPECT_EQ(find("txtLo")->accessibleName(), QStringLiteral("Low"));
    EXPECT_EQ(find("txtDiff")->accessibleName(), QStringLiteral("Difference"));
    EXPECT_EQ(find<QLabel>("lblFile")->text(), QStringLiteral("No data file in use."));
    EXPECT_EQ(chart->parent(), find("fraGraph"));
}

TEST_F(MainWindowTest, menusInOrderFollowTheModelsMenuStates) {
    QStringList menus;
    for (QAction* a : window.findChild<QMenuBar*>()->actions()) {
        menus << a->menu()->objectName() + u'=' + a->text();
    }
    EXPECT_EQ(menus, (QStringList{"mnuFile=&File", "mnuTools=&Tools", "mnuHelp=&Help"}));
    EXPECT_EQ(
        items("mnuFile"),
        (QStringList{"mnuSave=&Save", "mnuSample=Sam&ple", "mnuSep=-", "mnuExit=E&xit", "mnuSep=-",
                     "mnuOpenDataFile=&Open Data File...", "mnuExportChart=&Export Chart..."}));
    EXPECT_EQ(items("mnuTools"),
              (QStringList{"mnuCommPort=&Comm Port", "mnuConfiguration=Con&figuration",
                           "mnuPeakOn=Peak &On", "mnuSetDataInterval=&Set Data Interval",
                           "mnuSwapColor=Swap Co&lor", "mnuChannelRangeVolts=Channel Range &Volts",
                           "mnuChannelRangeScale=Channel Range Scal&e",
                           "mnuMqttPublishing=&MQTT Publishing..."}));
    EXPECT_EQ(items("mnuHelp"), (QStringList{"mnuHelpHelp=&Help", "mnuAbout=&About"}));
    EXPECT_EQ(find<QMenu>("mnuFile")->actions()[1], model.mnuSample);  // the model's own

    model.mnuTools->setEnabled(false);
    EXPECT_FALSE(find<QMenu>("mnuTools")->menuAction()->isEnabled());
    EXPECT_TRUE(find<QMenu>("mnuHelp")->menuAction()->isEnabled());
    model.mnuTools->setEnabled(true);
    EXPECT_TRUE(find<QMenu>("mnuTools")->menuAction()->isEnabled());
}

TEST_F(MainWindowTest, widgetsMirrorModelChanges) {
    model.setVoltsText(3, QStringLiteral("1.25"));
    model.setUnitText(3, QStringLiteral("kPa"));
    model.setPeakTimeText(3, QStringLiteral("14:05:09"));
    model.setChecked(3, true);
    model.setCheckEnabled(3, false);
    model.setFrameVisible(6, false);
    model.setTareCaption(3, QStringLiteral("Untare"));
    model.setGroupVisible(1, false);
    model.setHiLabel(QStringLiteral("CH6"));
    model.setReadoutVisible(true);
    model.setFileLabel(QStringLiteral("/data/run.csv"));
    EXPECT_EQ(find<QLabel>("lblCH3")->text(), QStringLiteral("kPa"));
    EXPECT_TRUE(find<QCheckBox>("chkCH3")->isChecked());
    EXPECT_FALSE(find("chkCH3")->isEnabled());
    EXPECT_TRUE(find("fraCH6")->isHidden());
    EXPECT_FALSE(find("fraCH5")->isHidden());
    EXPECT_EQ(find("cmdTare3")->accessibleName(), QStringLiteral("CH3 Untare"));
    EXPECT_TRUE(find("fraChannels47")->isHidden());
    EXPECT_FALSE(find("fraChannels03")->isHidden());
    EXPECT_EQ(find<QLabel>("lblHi")->text(), QStringLiteral("CH6"));
    EXPECT_FALSE(find("fraHiLo")->isHidden());
    EXPECT_EQ(find<QLabel>("lblFile")->text(), QStringLiteral("/data/run.csv"));

    auto* status = find<QLabel>("lblBoardStatus");
    EXPECT_TRUE(status->isHidden());
    model.setBoardStatus(QStringLiteral("No reply"));
    EXPECT_FALSE(status->isHidden());
    EXPECT_EQ(status->text(), QStringLiteral("No reply"));
    model.setBoardStatus(QString());
    EXPECT_TRUE(status->isHidden());
    auto* notice = find<QLabel>("lblAveragingNotice");
    EXPECT_TRUE(notice->isHidden());
    model.setAveragingNotice(QStringLiteral("Pending"));
    EXPECT_FALSE(notice->isHidden());
    EXPECT_EQ(notice->text(), QStringLiteral("Pending"));
    model.setAveragingNotice(QString());
    EXPECT_TRUE(notice->isHidden());

    // Value texts follow at the screen's pace.
    EXPECT_TRUE(showsSoon("txtCH3", "1.25"));
    EXPECT_TRUE(showsSoon("txtTimeCH3", "14:05:09"));
    EXPECT_EQ(find<QLineEdit>("txtCH2")->text(), QStringLiteral("0"));
}

TEST_F(MainWindowTest, runStatusLineSitsUnderTheChartAndFollowsTheRun) {
    test::FakeClock clock;
    test::FakeTimerFactory timers;
    RunCounts counts{.recording = true};
    RunStatusModel status(
        model, clock, timers, [&] { return counts; }, 30.0);
    window.resize(1000, 700);
    window.show();
    auto* line = find<QLabel>("lblRunStatus");
    EXPECT_TRUE(line->isHidden());  // nothing to say before the first run

    status.started();
    clock.ms += 1000;
    counts.scans += 29;
    counts.repeats += 2;
    counts.rowsFailing = true;
    timers.created.at(0)->fire();
    QCoreApplication::processEvents();
    EXPECT_FALSE(line->isHidden());
    EXPECT_TRUE(line->text().startsWith(
        "29.0 of 30.0 scans/s  |  repeated replies: 2  |  reconnects: 0  |  rows: NOT BEING "
        "WRITTEN"))
        << line->text().toStdString();
    // What a screen reader is given: a clear name and the figures.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(line)->text(QAccessible::Name),
              QStringLiteral("Run health: ") + line->text());

    const QRect graph = find("fraGraph")->geometry();
    const QRect under = line->geometry();
    EXPECT_GE(under.top(), graph.bottom());
    EXPECT_LT(under.left(), graph.right());
    EXPECT_GT(under.right(), graph.left());
}

TEST_F(MainWindowTest, valueTextsChangingFasterThanTheScreen_showTheLatest) {
    for (int i = 1; i <= 200; ++i) {
        for (int k = 0; k < kChannelCount; ++k) {
            model.setVoltsText(k, QString::number(i * 10 + k));
            model.setScaledText(k, QString::number(-i));
        }
        model.setDiffText(QString::number(i));
    }
    for (int k = 0; k < kChannelCount; ++k) {
        EXPECT_TRUE(showsSoon("txtCH" + QString::number(k), QString::number(2000 + k)));
        EXPECT_EQ(find<QLineEdit>("txtScaleCH", k)->text(), QStringLiteral("-200"));
    }
    EXPECT_EQ(find<QLineEdit>("txtDiff")->text(), QStringLiteral("200"));
    // Changes after a frame was shown are shown in a later one.
    model.setVoltsText(5, QStringLiteral("0.5"));
    model.setVoltsText(5, QStringLiteral("2005"));
    model.setPeakText(5, QStringLiteral("9"));
    EXPECT_TRUE(showsSoon("txtPeakCH5", "9"));
    EXPECT_EQ(find<QLineEdit>("txtCH5")->text(), QStringLiteral("2005"));
}

TEST_F(MainWindowTest, valueBoxesTakeRowColourWithReadableText) {
    model.setColour(1, rgbValue(0, 0, 128));
    model.setColour(2, rgbValue(255, 255, 0));
    for (const char* box : {"txtCH", "txtScaleCH", "txtPeakCH"}) {
        const QPalette dark = find(box, 1)->palette();
        const QPalette light = find(box, 2)->palette();
        EXPECT_EQ(dark.color(QPalette::Base), QColor(0, 0, 128));
        EXPECT_EQ(dark.color(QPalette::Text), QColor(Qt::white));
        EXPECT_EQ(light.color(QPalette::Base), QColor(255, 255, 0));
        EXPECT_EQ(light.color(QPalette::Text), QColor(Qt::black));
    }
}

// A tick changed through the accessibility interface is the operator's, like a click.
TEST_F(MainWindowTest, channelTickToggledThroughAccessibility_reachesTheModel) {
    QSignalSpy check(&window, &MainWindow::checkClicked);
    test::accessibleToggle(find<QCheckBox>("chkCH", 4));
    EXPECT_TRUE(model.row(4).checked);
    EXPECT_EQ(check.value(0), (QVariantList{4, true}));
    model.setChecked(4, false);  // the layout, not the operator: shown, no signal
    EXPECT_FALSE(find<QCheckBox>("chkCH", 4)->isChecked());
    EXPECT_EQ(check.size(), 1);
}

TEST_F(MainWindowTest, operatorIntentGoesOutThroughModelAndSignals) {
    QSignalSpy tare(&window, &MainWindow::tareClicked);
    QSignalSpy check(&window, &MainWindow::checkClicked);
    QSignalSpy keys(&window, &MainWindow::keyPressed);
    find<QPushButton>("cmdTare5")->click();
    EXPECT_EQ(tare.value(0).value(0).toInt(), 5);
    find<QCheckBox>("chkCH2")->click();
    EXPECT_TRUE(model.row(2).checked);
    EXPECT_EQ(check.value(0), (QVariantList{2, true}));
    model.setChecked(2, false);  // the layout, not the operator: no click signal
    EXPECT_EQ(check.size(), 1);

    // Ctrl+F8 reaches the window once, even from a child that keeps its keys; other keys
    // come when the focused child passes them on.
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    chart->setFocusPolicy(Qt::StrongFocus);
    chart->setFocus();
    QTest::keyClick(chart, Qt::Key_F8, Qt::ControlModifier);
    QTest::keyClick(chart, Qt::Key_F8);
    QTest::keyClick(find("txtCH0"), Qt::Key_F8);
    QList<Qt::KeyboardModifiers> f8;
    for (const auto& args : keys) {
        if (args[0].toInt() == Qt::Key_F8) {  // the Ctrl key's own press may come too
            f8.append(args[1].value<Qt::KeyboardModifiers>());
        }
    }
    EXPECT_EQ(f8, (QList<Qt::KeyboardModifiers>{Qt::ControlModifier, Qt::NoModifier}));
}

TEST(AboutBoxTest, showsNameAndVersionAndOkCloses) {
    AboutBox about(QStringLiteral("2.1.3"));
    EXPECT_EQ(about.objectName() + '/' + about.windowTitle(), QStringLiteral("About/About"));
    QStringList lines;
    for (auto* l : about.findChildren<QLabel*>()) {
        lines << l->text();
    }
    EXPECT_EQ(lines,
              (QStringList{"Quorlin", "Data Acquisition and Display Software", "Version 2.1.3"}));
    about.show();
    about.findChild<QPushButton*>()->click();
    EXPECT_FALSE(about.isVisible());
}

}  // namespace
}  // namespace quorlin
