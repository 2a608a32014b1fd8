#include "platform/LockFileSingleInstance.h"

#include "support/TempFolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

using namespace quorlin;

TEST(LockFileSingleInstance, secondInstanceIsRefusedWhileTheFirstRuns) {
    test::TempFolder folder;
    const QString path = folder.file(QStringLiteral("instance.lock"));
    auto first = std::make_unique<LockFileSingleInstance>(path);
    ASSERT_TRUE(first->acquire());
    {
        LockFileSingleInstance second(path);
        EXPECT_FALSE(second.acquire());
        EXPECT_TRUE(second.lockProblem().isEmpty());  // a running instance holds it
    }
    // A first instance that has run for hours keeps its lock.
    QFile lockFile(path);
    ASSERT_TRUE(lockFile.open(QIODevice::ReadWrite));
    ASSERT_TRUE(lockFile.setFileTime(QDateTime::currentDateTime().addSecs(-6 * 3600),
                                     QFileDevice::FileModificationTime));
    lockFile.close();
    {
        LockFileSingleInstance later(path);
        EXPECT_FALSE(later.acquire());
    }
    first.reset();
    LockFileSingleInstance afterExit(path);
    EXPECT_TRUE(afterExit.acquire());
}

TEST(LockFileSingleInstance, lockOfAKilledInstanceIsTakenOver) {
    test::TempFolder folder;
    const QString path = folder.file(QStringLiteral("instance.lock"));
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(ready[0]);
        LockFileSingleInstance held(path);
        const char ok = held.acquire() ? '1' : '0';
        (void)!::write(ready[1], &ok, 1);
        for (;;) {
            ::pause();
        }
    }
    ::close(ready[1]);
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(ok, '1');
    {
        LockFileSingleInstance whileAlive(path);
        EXPECT_FALSE(whileAlive.acquire());
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(QFile::exists(path)) << "the killed instance left no lock behind";
    LockFileSingleInstance next(path);
    EXPECT_TRUE(next.acquire());
}

// A lock that cannot be had with no running instance behind it is no running instance: the
// refusal names the lock. Planted so that the user cannot remove it, root included.
TEST(LockFileSingleInstance, lockThatCannotBeHad_isAProblemNamingItsPath_notARunningInstance) {
    test::TempFolder folder;
    QFile notAFolder(folder.file(QStringLiteral("file")));
    ASSERT_TRUE(notAFolder.open(QIODevice::WriteOnly));
    const struct {
        const char* path;
        const char* plantFolder;  // made at the lock's path, or nullptr
        const char* says;
    } cases[] = {
        {"held/quorlin.lock", "held/quorlin.lock/inside", "cannot be removed"},
        {"file/quorlin.lock", nullptr, "cannot be created"},
    };
    for (const auto& c : cases) {
        const QString path = folder.file(QString::fromLatin1(c.path));
        if (c.plantFolder != nullptr) {
            ASSERT_TRUE(QDir().mkpath(folder.file(QString::fromLatin1(c.plantFolder))));
        }
        LockFileSingleInstance instance(path);
        EXPECT_FALSE(instance.acquire()) << c.path;
        EXPECT_TRUE(instance.lockProblem().contains(path)) << instance.lockProblem().toStdString();
        EXPECT_TRUE(instance.lockProblem().contains(QString::fromLatin1(c.says)))
            << instance.lockProblem().toStdString();
    }
}

TEST(LockFileSingleInstance, defaultLockLivesInTheUsersRuntimeFolder) {
    test::TempFolder folder;
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder.path()));
    EXPECT_EQ(defaultInstanceLockPath(), folder.file(QStringLiteral("quorlin.lock")));
    qputenv("XDG_RUNTIME_DIR", saved);
}
