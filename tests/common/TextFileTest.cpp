#include "common/TextFile.h"

#include "common/AppError.h"
#include "support/TempFolder.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <csignal>

using namespace quorlin;

namespace {

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeRaw(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// Limits the size of any file this process writes, as a full quota would; restored on exit.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        ok_ = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    bool ok() const { return ok_; }

  private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
    bool ok_ = false;
};

qint32 errorNumberOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const AppError& e) {
        return e.number;
    }
    return 0;
}

}  // namespace

TEST(TextFile, linesEndWithCrLf) {
    EXPECT_EQ(encodeLines({QStringLiteral("a"), QString(), QStringLiteral("b,c")}),
              QByteArray("a\r\n\r\nb,c\r\n"));
    EXPECT_EQ(encodeLines({}), QByteArray());
}

TEST(TextFile, appendCreatesThenAppends) {
    test::TempFolder folder;
    const QString path = folder.file(QStringLiteral("error.log"));
    appendToFile(path, "one\r\n");
    appendToFile(path, "two\r\n");
    EXPECT_EQ(contents(path), QByteArray("one\r\ntwo\r\n"));
    EXPECT_EQ(errorNumberOf(
                  [&] { appendToFile(folder.file(QStringLiteral("missing/error.log")), "x\r\n"); }),
              ErrorNumber::PathNotFound);
}

TEST(TextFile, appendToAFullDiskFails) {
    if (!QFile::exists(QStringLiteral("/dev/full"))) {
        GTEST_SKIP() << "no /dev/full on this system";
    }
    EXPECT_EQ(errorNumberOf([] { appendToFile(QStringLiteral("/dev/full"), "row\r\n"); }),
              ErrorNumber::DiskFull);
}

TEST(TextFile, appendStoppedBySizeLimit_leavesNoHalfLine) {
    test::TempFolder folder;
    const QString path = folder.file(QStringLiteral("data.csv"));
    const QByteArray before("Time,CH0\r\n.25,1.5\r\n");
    writeRaw(path, before);
    qint32 number = 0;
    {
        const FileSizeLimit limit(before.size() + 4);
        ASSERT_TRUE(limit.ok());
        number = errorNumberOf([&] { appendToFile(path, ".5,1.25,2.5,3.75\r\n"); });
    }
    EXPECT_EQ(number, ErrorNumber::DiskFull);
    EXPECT_EQ(contents(path), before);
}

TEST(TextFile, atomicWriteStoppedBySizeLimit_keepsThePreviousFile) {
    test::TempFolder folder;
    const QString path = folder.file(QStringLiteral("Default.cfg"));
    const QByteArray before("old\r\n");
    writeRaw(path, before);
    qint32 number = 0;
    {
        const FileSizeLimit limit(64);
        ASSERT_TRUE(limit.ok());
        number = errorNumberOf([&] { writeFileAtomically(path, QByteArray(200, 'x')); });
    }
    EXPECT_NE(number, 0) << "a cut-off write was reported as success";
    EXPECT_EQ(contents(path), before);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"Default.cfg"})
        << "temporary file left behind";

    writeFileAtomically(path, "new\r\n");
    EXPECT_EQ(contents(path), QByteArray("new\r\n"));
}

TEST(TextFile, decodeKeepsUtf8AndFallsBackToWindows1252) {
    EXPECT_EQ(decodeText(QByteArray("caf\xC3\xA9 \xE2\x82\xAC")), QStringLiteral("café €"));
    EXPECT_EQ(decodeText(QByteArray("caf\xE9 \x80")), QStringLiteral("café €"));
    EXPECT_EQ(decodeText(QByteArray("plain")), QStringLiteral("plain"));
    // One invalid byte makes the whole text Windows-1252.
    EXPECT_EQ(decodeText(QByteArray("\xC3\xA9\x80")), QStringLiteral("Ã©€"));
}
