#include "app/FrameWindow.h"
#include "common/TextFile.h"
#include "display/DataReviewWindow.h"
#include "platform/QtFileDialog.h"
#include "support/AppHarness.h"

#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace quorlin;
using namespace quorlin::test;

namespace {

DataReviewWindow* reviewWindow(AppHarness& h) {
    for (QMdiSubWindow* sub : h.app().frame().mdiArea()->subWindowList()) {
        if (auto* w = qobject_cast<DataReviewWindow*>(sub->widget())) {
            return w;
        }
    }
    return nullptr;
}

}  // namespace

TEST(DataReviewIntegration, openDataFileShowsTheChosenFileBesideTheMainWindow) {
    AppHarness h;
    h.writeDefaultConfig({});
    ASSERT_TRUE(h.start());
    ASSERT_TRUE(QDir().mkpath(h.appFolder() + QStringLiteral("/Data Files")));
    const QString path = h.appFolder() + QStringLiteral("/Data Files/run.csv");
    writeFileTruncating(
        path,
        encodeLines({QStringLiteral("Kestova Quorlin"),
                     QStringLiteral("Data Acquisition and Display Software File Version 2.1.3"),
                     QStringLiteral("Date file created: 2026-12-07"),
                     QStringLiteral("Time file created: 14:05:09"),
                     QStringLiteral("System Time,Time(Seconds),CH0,CH1,CH2,CH3,CH4,CH5,CH6,CH7"),
                     QStringLiteral("2026-12-07 14:05:09,.03,1.5,0,0,0,0,0,0,0"),
                     QStringLiteral("2026-12-07 14:05:10,1.03,2.5,0,0,0,0,0,0,0")}));
    h.files->answers.push_back(path);
    h.trigger(h.model().mnuOpenDataFile);

    ASSERT_EQ(h.files->requests.size(), 1u);
    EXPECT_FALSE(h.files->wasSave[0]);
    EXPECT_EQ(h.files->requests[0].initDir, h.appFolder() + QStringLiteral("/Data Files"));
    QStringList filters;
    for (const NameFilter& f : translateFilterText(h.files->requests[0].filter)) {
        filters << f.filter;
    }
    EXPECT_EQ(filters, QStringList({"Data files (*.csv)", "All files (*)"}));
    EXPECT_EQ(h.files->requests[0].filterIndex, 1);
    DataReviewWindow* w = reviewWindow(h);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(h.waitFor([&] { return w->model().state() == DataReviewModel::State::Loaded; }));
    EXPECT_EQ(w->model().data().rows, 2);
    EXPECT_EQ(w->model().meanText(0), QStringLiteral("2"));
    EXPECT_TRUE(h.box->all.isEmpty());

    // The review window's own export button saves its chart, not the main window's.
    const QString svg = h.appFolder() + QStringLiteral("/Data Files/review.svg");
    h.files->answers.push_back(svg);
    auto* exportButton = w->findChild<QPushButton*>(QStringLiteral("cmdReviewExport"));
    ASSERT_NE(exportButton, nullptr);
    exportButton->click();
    ASSERT_EQ(h.files->requests.size(), 2u);
    EXPECT_TRUE(h.files->wasSave[1]);
    QFile picture(svg);
    ASSERT_TRUE(picture.open(QIODevice::ReadOnly));
    EXPECT_TRUE(picture.readAll().contains("Value"));  // the review chart's value caption
    EXPECT_TRUE(h.box->all.isEmpty());
}

TEST(DataReviewIntegration, aFileThatIsNotOursIsNamedInABoxAndNoWindowOpens) {
    AppHarness h;
    h.writeDefaultConfig({});
    ASSERT_TRUE(h.start());
    const QString path = h.appFolder() + QStringLiteral("/Logs/Default.cfg");
    h.files->answers.push_back(path);
    h.trigger(h.model().mnuOpenDataFile);

    ASSERT_EQ(h.box->okTexts.size(), 1);
    EXPECT_EQ(h.box->okTexts[0],
              QStringLiteral("\"%1\" is not a data file of this program: line 1 is not "
                             "\"Kestova Quorlin\".")
                  .arg(path));
    EXPECT_EQ(reviewWindow(h), nullptr);

    h.trigger(h.model().mnuOpenDataFile);  // cancelled
    EXPECT_EQ(reviewWindow(h), nullptr);
    EXPECT_EQ(h.box->okTexts.size(), 1);
}
