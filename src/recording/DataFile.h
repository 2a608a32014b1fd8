#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <span>
#include <utility>

namespace quorlin {

struct SettingsModel;
class AppFolders;
class Clock;
class ErrorHandler;
class FileDialog;

// Recording: the data file chosen with the File menu's Save, one row per scan. The file is
// open only while its header or one row is written, so everything recorded survives a crash
// and other programs can read it while recording goes on.
class DataFile {
  public:
    DataFile(SettingsModel& settings, const AppFolders& folders, Clock& clock, ErrorHandler& errors,
             FileDialog& dialog);

    // Lets the operator choose the file, creates it and writes the header. Silent on cancel
    // and failure. Returns the chosen name, empty after a cancel or a failure.
    QString ChooseDataFile();
    // Makes `path` the data file: writes its header (replacing what it held), then records
    // into it, its rows counted from none. Throws AppError when the header cannot be written;
    // the file in use stays.
    void startFile(const QString& path);
    // Appends one row to DataFilePath: the time, the elapsed-time text and the given values.
    // A failure loses only that row and leaves no part of it in the file. It is reported
    // once, not again for the rows after it that fail as well, until a row has been written.
    // A file gone from its path (moved, deleted) is started again with its header, and the
    // error log says so.
    void WriteToFile(const QString& elapsedTimeText, std::span<const double> values);
    // The same, stamped with `now` (the time the caller decided the row's file by).
    void WriteToFile(const QString& elapsedTimeText, std::span<const double> values,
                     const QDateTime& now);

    // Called with the file's path after each row that reached it.
    void setRowWritten(std::function<void(const QString&)> rowWritten) {
        rowWritten_ = std::move(rowWritten);
    }
    // Both may be read from any thread. Rows in the file in use: since it was chosen or
    // started again.
    qint64 rowsWritten() const { return rowsWritten_; }
    // How often a file was chosen or started again: a reader that kept a row count knows by
    // it that the count began anew.
    quint64 fileStarts() const { return fileStarts_; }
    // The last row could not be written.
    bool rowsFailing() const { return rowsFailing_; }
    // Another file was chosen (by another DataFile): its rows are counted from none, and its
    // first failure is reported again.
    void fileReplaced() {
        rowsWritten_ = 0;
        ++fileStarts_;
        rowsFailing_ = false;
    }

    // The five header lines and one row, as written.
    QStringList headerLines() const;
    QString rowText(const QString& elapsedTimeText, std::span<const double> values,
                    const QDateTime& now) const;

  private:
    void startAgain();

    SettingsModel& settings_;
    const AppFolders& folders_;
    Clock& clock_;
    ErrorHandler& errors_;
    FileDialog& dialog_;
    std::function<void(const QString&)> rowWritten_;
    std::atomic<qint64> rowsWritten_ = 0;
    std::atomic<quint64> fileStarts_ = 0;
    std::atomic<bool> rowsFailing_ = false;
};

}  // namespace quorlin
