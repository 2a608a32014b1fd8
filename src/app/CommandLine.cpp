#include "app/CommandLine.h"

#include "app/Version.h"

namespace quorlin {

CommandLineAction parseCommandLine(const QStringList& arguments) {
    // The first informational option wins; everything after "--" is not an option.
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == u"--") {
            break;
        }
        if (a == u"--help" || a == u"-h" || a == u"-?") {
            return CommandLineAction::PrintHelp;
        }
        if (a == u"--version" || a == u"-v") {
            return CommandLineAction::PrintVersion;
        }
    }
    return CommandLineAction::Run;
}

QString versionText(const QString& programName) {
    return programName + u' ' + BuildVersionText() + u'\n';
}

QString helpText(const QString& programName) {
    return QStringLiteral(
               "Usage: %1 [--help | --version]\n"
               "\n"
               "Acquires data from an eight-channel analog input board over a serial port,\n"
               "shows it on a strip chart and records it in comma-separated data files.\n"
               "Started without options it opens its window; a second instance is refused.\n"
               "\n"
               "Options:\n"
               "  -h, --help     print this text and exit\n"
               "  -v, --version  print the version and exit\n"
               "\n"
               "Files:\n"
               "  application folder  the folder of the program file when it is writable and\n"
               "                      not an installed program, else the per-user data folder\n"
               "                      (~/.local/share/Quorlin); it holds \"Data Files/\" and\n"
               "                      \"Logs/\" (Default.cfg, Peak.csv, error.log)\n"
               "  settings store      $XDG_CONFIG_HOME/QRL/QRL.ini (~/.config/QRL/QRL.ini):\n"
               "                      [Startup] CurrentCommPort, [Ports] <n>=<device>\n")
        .arg(programName);
}

}  // namespace quorlin
