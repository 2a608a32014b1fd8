#include "platform/QtFileDialog.h"

#include "PlatformTestUtil.h"
#include "support/TempFolder.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace quorlin;
using quorlin::test::whenModalAppears;

TEST(FilterText, pairsBecomeQtNameFiltersWithTheirExtensions) {
    const QList<NameFilter> f = translateFilterText(
        QStringLiteral("All Files (*.*)|*.*|Text Files(*.txt)|*.txt|CSV Files (*.csv)|*.csv"));
    ASSERT_EQ(f.size(), 3);
    EXPECT_EQ(f[0].filter, QStringLiteral("All Files (*)"));
    EXPECT_EQ(f[0].suffix, QString());
    EXPECT_EQ(f[1].filter, QStringLiteral("Text Files (*.txt)"));
    EXPECT_EQ(f[1].suffix, QStringLiteral("txt"));
    EXPECT_EQ(f[2].filter, QStringLiteral("CSV Files (*.csv)"));
    EXPECT_EQ(f[2].suffix, QStringLiteral("csv"));

    const QList<NameFilter> several =
        translateFilterText(QStringLiteral("Data Files|*.txt;*.csv|Any|*"));
    ASSERT_EQ(several.size(), 2);
    EXPECT_EQ(several[0].filter, QStringLiteral("Data Files (*.txt *.csv)"));
    EXPECT_EQ(several[0].suffix, QStringLiteral("txt"));
    EXPECT_EQ(several[1].filter, QStringLiteral("Any (*)"));
    EXPECT_EQ(several[1].suffix, QString());

    EXPECT_TRUE(translateFilterText(QString()).isEmpty());
}

TEST(QtFileDialog, save_startsInTheFolderWithTheChosenFilterAndAddsItsExtension) {
    test::TempFolder folder;
    EventGate gate;
    QtFileDialog dialogs(gate);
    QString startFolder;
    QString startFilter;
    bool gateOpenWhileShown = true;
    whenModalAppears([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        gateOpenWhileShown = gate.isOpen();
        startFolder = dialog->directory().absolutePath();
        startFilter = dialog->selectedNameFilter();
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QStringLiteral("run1"));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    FileDialogRequest request;
    request.filter =
        QStringLiteral("All Files (*.*)|*.*|Text Files(*.txt)|*.txt|CSV Files (*.csv)|*.csv");
    request.filterIndex = 3;
    request.initDir = folder.path();
    const QString chosen = dialogs.showSave(request);
    EXPECT_EQ(startFolder, QDir(folder.path()).absolutePath());
    EXPECT_EQ(startFilter, QStringLiteral("CSV Files (*.csv)"));
    EXPECT_FALSE(gateOpenWhileShown);
    EXPECT_EQ(chosen, QDir(folder.path()).absoluteFilePath(QStringLiteral("run1.csv")));
}

TEST(QtFileDialog, cancel_givesAnEmptyPath) {
    EventGate gate;
    QtFileDialog dialogs(gate);
    whenModalAppears([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    FileDialogRequest request;
    request.filter = QStringLiteral("Configuration Files (*.cfg)|*.cfg");
    EXPECT_TRUE(dialogs.showOpen(request).isEmpty());
}
