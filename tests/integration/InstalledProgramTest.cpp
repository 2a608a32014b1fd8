// The program as an install puts it: files in a prefix, checked by the desktop's validators,
// and the installed program file started under a virtual display.

#include "app/Version.h"
#include "platform/AppFolders.h"
#include "platform/LockFileSingleInstance.h"
#include "support/TempFolder.h"
#include "support/VirtualDisplay.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

namespace quorlin::test {
namespace {

struct ToolRun {
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QString out;
};

ToolRun runTool(const QString& program, const QStringList& args,
                const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    ToolRun r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished(3000);
        r.out = QStringLiteral("(did not finish) ");
    }
    r.exitCode = p.exitCode();
    r.status = p.exitStatus();
    r.out += QString::fromLocal8Bit(p.readAll());
    return r;
}

QString requireTool(const char* name) {
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
    EXPECT_FALSE(path.isEmpty()) << name << " is missing: run scripts/install-deps.sh";
    return path;
}

TEST(InstalledProgram, installIntoAPrefix_validatesAndStartsWithPerUserFolders) {
    TempFolder t;
    const QString prefix = t.file(QStringLiteral("prefix"));
    const ToolRun install = runTool(QStringLiteral(QUORLIN_CMAKE_COMMAND),
                                    {QStringLiteral("--install"), QStringLiteral(QUORLIN_BUILD_DIR),
                                     QStringLiteral("--prefix"), prefix});
    ASSERT_EQ(install.exitCode, 0) << install.out.toStdString();

    const QString id = applicationId();
    const QString desktopFile = prefix + QStringLiteral("/share/applications/%1.desktop").arg(id);
    const QString metainfo = prefix + QStringLiteral("/share/metainfo/%1.metainfo.xml").arg(id);
    for (const QString& file :
         {prefix + QStringLiteral("/bin/quorlin"),
          prefix + QStringLiteral("/bin/quorlin-board-sim"), desktopFile, metainfo,
          prefix + QStringLiteral("/share/icons/hicolor/scalable/apps/%1.svg").arg(id)}) {
        EXPECT_TRUE(QFile::exists(file)) << file.toStdString();
    }

    const QString desktopValidate = requireTool("desktop-file-validate");
    const QString appstream = requireTool("appstreamcli");
    ASSERT_FALSE(desktopValidate.isEmpty() || appstream.isEmpty());
    const ToolRun entry = runTool(desktopValidate, {desktopFile});
    EXPECT_TRUE(entry.exitCode == 0 && entry.out.trimmed().isEmpty()) << entry.out.toStdString();
    const ToolRun meta = runTool(appstream, {QStringLiteral("validate"), QStringLiteral("--no-net"),
                                             QStringLiteral("--no-color"), metainfo});
    EXPECT_EQ(meta.exitCode, 0) << meta.out.toStdString();

    // The service's template unit, checked as an instance of it, its manual page included.
    const QString unit = prefix + QStringLiteral("/lib/systemd/system/quorlin@.service");
    const QString instance = t.file(QStringLiteral("quorlin@lab.service"));
    ASSERT_TRUE(QFile::copy(unit, instance)) << unit.toStdString();
    const QString analyze = requireTool("systemd-analyze");
    QProcessEnvironment manEnv = QProcessEnvironment::systemEnvironment();
    manEnv.insert(QStringLiteral("MANPATH"), prefix + QStringLiteral("/share/man"));
    const ToolRun verify = runTool(analyze, {QStringLiteral("verify"), instance}, manEnv);
    EXPECT_TRUE(verify.exitCode == 0 && verify.out.trimmed().isEmpty()) << verify.out.toStdString();

    VirtualDisplay x;
    if (!x.start()) {
        GTEST_SKIP() << "needs Xvfb and xdotool";
    }
    // A first run of a fresh user: no configuration, no folders; port 0 keeps it off any
    // serial device.
    const QString dataHome = t.file(QStringLiteral("data"));
    QDir().mkpath(t.file(QStringLiteral("config/QRL")));
    QDir().mkpath(t.file(QStringLiteral("tmp")));
    QFile ini(t.file(QStringLiteral("config/QRL/QRL.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Startup]\nCurrentCommPort=0\n");
    ini.close();
    QProcessEnvironment env = x.environment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), t.file(QStringLiteral("config")));
    env.insert(QStringLiteral("TMPDIR"), t.file(QStringLiteral("tmp")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), t.file(QStringLiteral("tmp")));
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(prefix + QStringLiteral("/bin/quorlin"), {});
    ASSERT_TRUE(program.waitForStarted(5000));

    // The shipped default configuration becomes the user's before the start-up reads it:
    // no "No default configuration file found!" box comes before the frame.
    ASSERT_TRUE(VirtualDisplay::waitUntil(
        [&] {
            return !x.windows(QStringLiteral("Kestova Quorlin Data Acquisition and Display"))
                        .isEmpty();
        },
        15000))
        << "windows: " << x.titles();
    EXPECT_TRUE(x.windows(QStringLiteral("^Quorlin$")).isEmpty()) << "windows: " << x.titles();
    QFile shipped(prefix + QStringLiteral("/share/quorlin/Default.cfg"));
    QFile copied(dataHome + QStringLiteral("/Quorlin/Logs/Default.cfg"));
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    ASSERT_TRUE(copied.open(QIODevice::ReadOnly));
    EXPECT_EQ(copied.readAll(), shipped.readAll());

    // Its folders are the user's, not beside the installed program file (which root, or the
    // owner of a private prefix, could write to).
    const QString perUser = dataHome + QStringLiteral("/Quorlin");
    EXPECT_TRUE(QFileInfo(perUser + QStringLiteral("/Data Files")).isDir());
    EXPECT_TRUE(QFileInfo(perUser + QStringLiteral("/Logs")).isDir());
    EXPECT_EQ(QDir(prefix + QStringLiteral("/bin"))
                  .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                  .join(u", ")
                  .toStdString(),
              "");
    EXPECT_EQ(program.state(), QProcess::Running);
    program.kill();
    program.waitForFinished(3000);
}

// --help and --version answer on a machine without a display, while another instance holds
// the lock: no window system is touched and the lock is not asked for.
TEST(ProgramArguments, helpAndVersionPrintAndEndWithoutDisplayOrInstanceLock) {
    TempFolder t;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        env.remove(QString::fromLatin1(name));
    }
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), t.path());
    // The running instance's lock, where the program would look for it.
    LockFileSingleInstance running(t.file(QStringLiteral("quorlin.lock")));
    ASSERT_TRUE(running.acquire());

    const QString version = QStringLiteral("quorlin %1\n").arg(BuildVersionText());
    const struct {
        const char* arg;
        QString expectStart;
    } cases[] = {{"--version", version},
                 {"-v", version},
                 {"--help", QStringLiteral("Usage: quorlin [--help | --version]\n")},
                 {"-h", QStringLiteral("Usage: quorlin")}};
    for (const auto& c : cases) {
        const ToolRun r =
            runTool(QStringLiteral(QUORLIN_PROGRAM), {QString::fromLatin1(c.arg)}, env);
        EXPECT_EQ(r.status, QProcess::NormalExit) << c.arg;
        EXPECT_EQ(r.exitCode, 0) << c.arg << ": " << r.out.toStdString();
        EXPECT_TRUE(r.out.startsWith(c.expectStart)) << c.arg << ": " << r.out.toStdString();
    }
}

}  // namespace
}  // namespace quorlin::test
