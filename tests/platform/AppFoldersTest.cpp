#include "platform/AppFolders.h"

#include "support/TempFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace quorlin;

namespace {

void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

}  // namespace

// A program file in a writable folder keeps its files there, unless that folder is the bin/ of
// an install of this program.
TEST(AppFolders, installedProgramTakesPerUserFolder_copiedProgramItsOwnFolder) {
    const struct {
        const char* desktopEntry;  // below the test folder, or nullptr
        bool installed;
    } cases[] = {
        {nullptr, false},
        {"share/applications/%1.desktop", true},
        {"share/applications/other.desktop", false},
        {"bin/share/applications/%1.desktop", false},
    };
    for (const auto& c : cases) {
        test::TempFolder t;
        const QString bin = t.file(QStringLiteral("bin"));
        QDir().mkpath(bin);
        if (c.desktopEntry) {
            touch(t.file(QString::fromLatin1(c.desktopEntry).arg(applicationId())));
        }
        const QString perUser = t.file(QStringLiteral("user"));
        EXPECT_EQ(isInstalledProgram(bin), c.installed) << (c.desktopEntry ? c.desktopEntry : "-");
        EXPECT_EQ(chooseAppFolder(bin, perUser), c.installed ? perUser : bin)
            << (c.desktopEntry ? c.desktopEntry : "-");
    }
}

// The shipped default becomes the user's only where the user has none; nothing is made
// without one to copy.
TEST(AppFolders, seedDefaultConfig_copiesTheShippedFileOnlyWhenTheUserHasNone) {
    const struct {
        bool shipped;
        bool userHasOne;
        QByteArray expect;  // the user's Default.cfg afterwards; empty: none
    } cases[] = {{true, false, "shipped"}, {true, true, "own"}, {false, false, ""}};
    for (const auto& c : cases) {
        test::TempFolder t;
        const QString shipped = t.file(QStringLiteral("share/quorlin/Default.cfg"));
        if (c.shipped) {
            touch(shipped);
            QFile f(shipped);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write("shipped") == 7);
        }
        const AppFolders folders(t.file(QStringLiteral("user")), shipped);
        QDir().mkpath(folders.root());
        if (c.userHasOne) {
            touch(folders.defaultConfig());
            QFile f(folders.defaultConfig());
            ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write("own") == 3);
        }
        folders.seedDefaultConfig();
        QFile user(folders.defaultConfig());
        EXPECT_EQ(user.open(QIODevice::ReadOnly) ? user.readAll() : QByteArray(), c.expect);
        EXPECT_EQ(QFileInfo::exists(folders.logs()), c.shipped || c.userHasOne);
    }
}
