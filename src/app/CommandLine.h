#pragma once

#include <QString>
#include <QStringList>

namespace quorlin {

// What the arguments ask of this run. Arguments the program does not know are left to Qt
// (-platform, -display, ...) and otherwise ignored, as they always were.
enum class CommandLineAction { Run, PrintVersion, PrintHelp };

CommandLineAction parseCommandLine(const QStringList& arguments);

// The texts printed for --version and --help.
QString versionText(const QString& programName);
QString helpText(const QString& programName);

}  // namespace quorlin
