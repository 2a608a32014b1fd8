#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace quorlin {

// The program's exit codes; --help, the manual page and the README list the same.
namespace ExitCode {
constexpr int Ok = 0;
constexpr int Failure = 1;           // the run could not go on (a failure logged before)
constexpr int BadConfiguration = 2;  // the configuration file is missing, unreadable or foreign
constexpr int DataFolder = 3;        // a folder to record into is missing or not writable
constexpr int Usage = 64;            // an unknown option or a bad value
constexpr int NoDisplay = 69;        // the window was asked for where there is no display
constexpr int DeviceHeld = 75;       // another headless run holds the device
}  // namespace ExitCode

// What a headless run was asked to do.
struct HeadlessOptions {
    QString configFile;  // empty: the application folder's Logs/Default.cfg
    qint16 port = 0;     // 0: the stored current port
    QString device;      // a device path instead of a port number
    QString dataFile;    // empty: nothing is recorded
    double intervalMs = 0;
    bool daily = false;
    bool peak = false;
    double durationSeconds = 0;   // 0: until SIGTERM or SIGINT
    int statusEverySeconds = 60;  // 0: no status lines
    // The publishing options as given (--mqtt and its companions with their values, in
    // order); checked when the run starts, where a bad one ends it with code 2.
    QList<QPair<QString, QString>> mqtt;
};

enum class CommandLineAction { Run, RunHeadless, PrintVersion, PrintHelp, UsageError };

struct CommandLine {
    CommandLineAction action = CommandLineAction::Run;
    HeadlessOptions headless;
    QString error;  // UsageError: what was wrong
};

// Reads the arguments. For the window, Qt's own options (-platform, -display, ...) pass;
// anything else that looks like an option is a usage error, as is a headless option without
// --headless. The first of --help and --version wins; after "--" nothing is an option.
CommandLine parseCommandLine(const QStringList& arguments);

// The texts printed for --version, --help and a usage error.
QString versionText(const QString& programName);
QString helpText(const QString& programName);
QString usageLine(const QString& programName);

}  // namespace quorlin
