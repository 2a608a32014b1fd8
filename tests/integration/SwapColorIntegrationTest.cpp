// Swap Color through the main window's menu: the colours reach the real chart and the
// channel boxes, and the Configuration window's Save writes them into the file.

#include "config/ConfigurationDialog.h"
#include "config/ConfigurationDialogModel.h"
#include "display/MainWindow.h"
#include "integration/RecordedFiles.h"
#include "platform/QCustomPlotChart.h"
#include "support/AppHarness.h"

#include <qcustomplot.h>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace quorlin::test {
namespace {

// Clicks the named buttons of the modal Swap Color window once it is up, in order.
void clickInSwapColorWhenShown(const QStringList& buttons) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, buttons] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr || dialog->objectName() != QStringLiteral("SwapColor")) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        for (const QString& name : buttons) {
            auto* button = dialog->findChild<QPushButton*>(name);
            ASSERT_NE(button, nullptr) << name.toStdString();
            button->click();
        }
    });
    poll->start();
}

TEST(SwapColorIntegration, defaultAllReachesChartAndBoxes_andSaveWritesThem) {
    AppHarness h;
    h.writeDefaultConfig([](SettingsModel& s) {
        for (int c = 0; c < kChannelCount; ++c) {
            s.PlotColor[c] = 0x102030;
        }
        s.GraphBackColor = 0x405060;
    });
    ASSERT_TRUE(h.start());
    h.activate();
    auto* chart = dynamic_cast<QCustomPlotChart*>(&h.main().chart());
    ASSERT_NE(chart, nullptr);
    QCustomPlot* plot = chart->customPlot();
    ASSERT_EQ(plot->graph(0)->pen().color(), QColor(0x30, 0x20, 0x10));  // the file's colours

    clickInSwapColorWhenShown({QStringLiteral("cmdDefault"), QStringLiteral("cmdOK")});
    h.trigger(h.model().mnuSwapColor);  // modal: returns once OK closed it

    const QColor expected[] = {QColor(255, 0, 0),     QColor(0, 255, 0),    QColor(0, 0, 255),
                               QColor(255, 255, 0),   QColor(0, 255, 255),  QColor(255, 0, 255),
                               QColor(255, 255, 255), QColor(128, 128, 128)};
    for (int c = 0; c < kChannelCount; ++c) {
        EXPECT_EQ(plot->graph(c)->pen().color(), expected[c]) << "plot " << c + 1;
        const ColourValue v = h.model().row(c).colour;
        EXPECT_EQ(QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF), expected[c]) << "CH" << c;
        for (const QString& box : {QStringLiteral("txtCH%1"), QStringLiteral("txtScaleCH%1"),
                                   QStringLiteral("txtPeakCH%1")}) {
            auto* edit = h.main().window().findChild<QLineEdit*>(box.arg(c));
            ASSERT_NE(edit, nullptr) << box.arg(c).toStdString();
            EXPECT_EQ(edit->palette().color(QPalette::Base), expected[c])
                << box.arg(c).toStdString();
        }
    }
    EXPECT_EQ(plot->axisRect()->backgroundBrush().color(), QColor(0, 0, 0));
    // Only the display changed so far.
    EXPECT_EQ(h.settings().PlotColor[0], 0x102030u);

    h.trigger(h.model().mnuConfiguration);
    ASSERT_NE(h.main().configurationWindow(), nullptr);
    const QString path = h.appFolder() + QStringLiteral("/colours.cfg");
    h.files->answers = {path};
    h.main().configurationWindow()->model().mnuSave_Click();
    const RecordedLines saved = readRecordedLines(path);
    ASSERT_EQ(saved.lines.size(), 178);
    EXPECT_EQ(saved.lines[160 - 1], QStringLiteral("'Plot Colors"));
    const QStringList colourLines{
        QStringLiteral("255"),      QStringLiteral("65280"),    QStringLiteral("16711680"),
        QStringLiteral("65535"),    QStringLiteral("16776960"), QStringLiteral("16711935"),
        QStringLiteral("16777215"), QStringLiteral("8421504"),  QStringLiteral("0")};
    EXPECT_EQ(saved.lines.mid(161 - 1, 9), colourLines);
}

}  // namespace
}  // namespace quorlin::test
