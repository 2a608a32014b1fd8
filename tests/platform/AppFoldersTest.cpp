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
