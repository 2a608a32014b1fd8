#pragma once

#include <QString>

namespace quorlin {

// The application folder and the fixed places below it.
class AppFolders {
  public:
    // shippedConfig: the default configuration an install ships, copied to defaultConfig()
    // when that is missing (empty: none).
    explicit AppFolders(QString root, QString shippedConfig = {})
        : root_(std::move(root)), shippedConfig_(std::move(shippedConfig)) {}

    const QString& root() const { return root_; }
    QString dataFiles() const { return root_ + QStringLiteral("/Data Files"); }
    QString logs() const { return root_ + QStringLiteral("/Logs"); }
    QString defaultConfig() const { return logs() + QStringLiteral("/Default.cfg"); }
    QString peakFile() const { return logs() + QStringLiteral("/Peak.csv"); }
    QString errorLog() const { return logs() + QStringLiteral("/error.log"); }

    // Creates "Data Files" and "Logs" where missing. One level only: a missing application
    // folder is a failure, not something to build silently. Throws AppError 75 naming the
    // folder that could not be made.
    void createFolders() const;
    // Copies the shipped default configuration to defaultConfig() when that file is missing,
    // making the Logs folder for it. Quiet when it cannot: the start-up then finds no default
    // and says so.
    void seedDefaultConfig() const;

  private:
    QString root_;
    QString shippedConfig_;
};

// The reverse-DNS id of the installed desktop entry, icon and metadata.
QString applicationId();

// True when the program file in this folder belongs to an install (a desktop entry of this
// program sits in the prefix's share/applications).
bool isInstalledProgram(const QString& programFolder);

// The folder of the program file when it is writable and not an install, else the per-user
// data folder.
QString chooseAppFolder(const QString& programFolder, const QString& perUserFolder);

// chooseAppFolder for the running program; creates the per-user folder when it is chosen.
QString resolveAppFolder();

// The default configuration an install of the running program ships in the prefix's
// share/quorlin/; empty for a program file that is not installed.
QString shippedDefaultConfig();

}  // namespace quorlin
