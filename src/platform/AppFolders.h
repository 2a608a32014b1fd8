#pragma once

#include <QString>

namespace quorlin {

// The application folder and the fixed places below it.
class AppFolders {
  public:
    explicit AppFolders(QString root) : root_(std::move(root)) {}

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

  private:
    QString root_;
};

// The folder of the program file when writable, else the per-user data folder (created
// when missing).
QString resolveAppFolder();

}  // namespace quorlin
