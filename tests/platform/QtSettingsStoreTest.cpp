#include "platform/QtSettingsStore.h"

#include "common/AppError.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

using namespace quorlin;

TEST(QtSettingsStore, valuesSurviveANewStoreInTheUserConfigFolder) {
    test::TempFolder folder;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
    {
        QtSettingsStore store;
        EXPECT_EQ(store.value(QStringLiteral("Startup"), QStringLiteral("CurrentCommPort"),
                              QStringLiteral("1")),
                  QStringLiteral("1"));
        store.setValue(QStringLiteral("Startup"), QStringLiteral("CurrentCommPort"),
                       QStringLiteral("3"));
        store.setValue(QStringLiteral("Ports"), QStringLiteral("1"), QStringLiteral("/dev/a,b"));
    }
    QFile file(folder.file(QStringLiteral("QRL/QRL.ini")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "written elsewhere than QRL/QRL.ini";
    const QByteArray ini = file.readAll();
    EXPECT_TRUE(ini.contains("[Startup]")) << ini.constData();
    EXPECT_TRUE(ini.contains("CurrentCommPort=3")) << ini.constData();

    QtSettingsStore again;
    EXPECT_EQ(again.value(QStringLiteral("Startup"), QStringLiteral("CurrentCommPort"),
                          QStringLiteral("1")),
              QStringLiteral("3"));
    EXPECT_EQ(again.value(QStringLiteral("Ports"), QStringLiteral("1"), QString()),
              QStringLiteral("/dev/a,b"));
}

TEST(QtSettingsStore, unwritableStore_throwsAccessError) {
    test::TempFolder folder;
    QFile blocker(folder.file(QStringLiteral("notAFolder")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    // The store's folder would have to live below a plain file: no user can create it.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, blocker.fileName());
    QtSettingsStore store;
    try {
        store.setValue(QStringLiteral("Startup"), QStringLiteral("CurrentCommPort"),
                       QStringLiteral("2"));
        FAIL() << "a lost write was reported as success";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number, ErrorNumber::PathFileAccessError);
    }
}
