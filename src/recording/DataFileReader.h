#pragma once

#include "chart/PointTable.h"
#include "common/Channel.h"

#include <QByteArray>
#include <QString>

#include <memory>

class QIODevice;

namespace quorlin {

// What a data file holds, as far as it could be read.
struct RecordedData {
    QString versionText;  // of the program that wrote it
    QString createdDate;  // header lines 3 and 4, as written
    QString createdTime;
    // x: seconds since the first recorded sampling run started, y: the recorded value. The
    // elapsed time starts again at every sampling run that appends to the file; later runs
    // are placed after the earlier ones at their distance in system time.
    PerChannel<std::shared_ptr<PointTable>> channels;
    PerChannel<bool> hasData{};  // a value other than 0 (an unticked channel records 0)
    qint64 rows = 0;
    qint64 rowsWithValues = 0;  // rows recorded with neither Volts nor Scale hold only times
    int runs = 0;
    QString firstSystemTime;
    QString lastSystemTime;
    double firstSeconds = 0;
    double lastSeconds = 0;
    // Rows that could not be read.
    qint64 skippedRows = 0;
    qint64 firstSkippedLine = 0;
    QString firstSkippedReason;  // completes "line N ..."
    // A recording still going on: the last line had no line end yet, or the file grew while
    // it was read. Such a line is left out and not counted as skipped.
    qint64 incompleteLine = 0;
    bool grew = false;
};

// Reads a data file as the recording writes it: five header lines, then one row per scan
// ("System Time,Time(Seconds)" and no channel value or one per channel). Streaming: the
// file is read in slices, only the values are kept, and a caller may stop between slices.
// The file is read up to the size it had when opened.
class DataFileReader {
  public:
    explicit DataFileReader(const QString& path);
    // Bytes instead of a file; `name` stands for the file in messages.
    DataFileReader(const QString& name, const QByteArray& bytes);
    ~DataFileReader();
    DataFileReader(const DataFileReader&) = delete;
    DataFileReader& operator=(const DataFileReader&) = delete;

    // Opens the file and reads its header. False, with error(), when the file cannot be read
    // or is not a data file of this program.
    bool open();
    // Reads on through about maxBytes more. False once the file is read to its end or a read
    // failed (error() then says so; the rows read before stay).
    bool readSome(qint64 maxBytes);
    bool finished() const { return finished_; }

    qint64 bytesDone() const { return done_; }
    qint64 bytesTotal() const { return total_; }
    const QString& error() const { return error_; }
    const RecordedData& data() const { return data_; }

    // open() and readSome() to the end.
    bool readAll();

  private:
    bool fail(const QString& message);
    bool readHeader();
    bool checkHeaderLine(int number, const QByteArray& line);
    bool couldBeginHeaderLine(int number, const QByteArray& line);
    QString notOurs(int line) const;
    void readRow(const char* begin, const char* end);
    void skip(qint64 line, const QString& reason);
    void finish();

    QString path_;  // empty for bytes
    QString name_;
    std::unique_ptr<QIODevice> device_;
    QByteArray pending_;  // bytes read and not yet taken as lines
    qint64 done_ = 0;
    qint64 total_ = 0;
    qint64 line_ = 0;  // lines taken so far
    bool finished_ = false;
    bool discarding_ = false;  // within a line too long to be a row, until its end
    QString error_;
    RecordedData data_;

    // Time of the last good row: its elapsed text's value, the x it was given and its system
    // time in seconds.
    double lastElapsed_ = 0;
    double lastX_ = 0;
    double runOffset_ = 0;
    qint64 lastWall_ = 0;
    char lastWallText_[19] = {};
};

}  // namespace quorlin
