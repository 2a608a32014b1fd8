#include "recording/DataFileReader.h"

#include "common/AppError.h"
#include "common/DateText.h"
#include "common/NumberText.h"
#include "common/TextFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <string_view>

namespace quorlin {

namespace {

constexpr int kHeaderLines = 5;
// No line this program writes comes near this; a longer one is not read into memory whole.
constexpr qsizetype kLongestLine = 64 * 1024;
constexpr qint64 kHeaderSlice = 256;  // the rows after the header are for readSome()
// A hundred years: beyond it an elapsed time is a damaged field, not a run's length.
constexpr double kLongestRunSeconds = 100 * 365.25 * 86400;

const QByteArray kTitle = QByteArrayLiteral("Kestova Quorlin");
const QByteArray kVersionPrefix =
    QByteArrayLiteral("Data Acquisition and Display Software File Version ");
const QByteArray kDatePrefix = QByteArrayLiteral("Date file created: ");
const QByteArray kTimePrefix = QByteArrayLiteral("Time file created: ");
const QByteArray kHeadings =
    QByteArrayLiteral("System Time,Time(Seconds),CH0,CH1,CH2,CH3,CH4,CH5,CH6,CH7");
const QByteArray kBom = QByteArrayLiteral("\xEF\xBB\xBF");

// A field as it may be shown in a message: short, and only printable ASCII.
QString fieldForMessage(std::string_view field) {
    constexpr std::size_t kShown = 24;
    QString text;
    for (std::size_t i = 0; i < std::min(field.size(), kShown); ++i) {
        const char c = field[i];
        text += c >= 0x20 && c < 0x7F ? QChar::fromLatin1(c) : QChar(u'?');
    }
    if (field.size() > kShown) {
        text += QStringLiteral("...");
    }
    return QStringLiteral("\"%1\"").arg(text);
}

// The whole of lines 1 and 5, the fixed start of lines 2 to 4.
const QByteArray& expectedStart(int line) {
    static const QByteArray* const expected[] = {&kTitle, &kVersionPrefix, &kDatePrefix,
                                                 &kTimePrefix, &kHeadings};
    return *expected[line - 1];
}

QByteArray withoutLineEnd(QByteArray line) {
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    return line;
}

}  // namespace

DataFileReader::DataFileReader(const QString& path)
    : path_(path), name_(QDir::toNativeSeparators(path)), device_(std::make_unique<QFile>(path)) {}

DataFileReader::DataFileReader(const QString& name, const QByteArray& bytes) : name_(name) {
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    device_ = std::move(buffer);
}

DataFileReader::~DataFileReader() = default;

bool DataFileReader::fail(const QString& message) {
    error_ = message;
    finished_ = true;
    device_->close();
    return false;
}

bool DataFileReader::open() {
    if (!device_->open(QIODevice::ReadOnly)) {
        return fail(QStringLiteral("Cannot read \"%1\": %2.").arg(name_, device_->errorString()));
    }
    total_ = device_->size();
    // Every row with values fills all eight tables, so they share one time row.
    const auto times = std::make_shared<ScanTimes>();
    for (int c = 0; c < kChannelCount; ++c) {
        data_.channels[c] = std::make_shared<PointTable>(times);
        data_.channels[c]->holdDoubles();  // the statistics show the values as recorded
    }
    return readHeader();
}

bool DataFileReader::readHeader() {
    // Enough of the file for five lines, or all of it when shorter.
    qsizetype lineEnds = 0;
    while (done_ < total_ && lineEnds < kHeaderLines && pending_.size() < kLongestLine) {
        const QByteArray more = device_->read(std::min(kHeaderSlice, total_ - done_));
        if (more.isEmpty()) {
            total_ = done_;  // the file shrank, or a read failed: read what is there
            break;
        }
        done_ += more.size();
        pending_ += more;
        lineEnds = pending_.count('\n');
    }
    const bool atEnd = done_ >= total_;
    qsizetype at = 0;
    for (int number = 1; number <= kHeaderLines; ++number) {
        const qsizetype end = pending_.indexOf('\n', at);
        if (end < 0 && !atEnd) {
            return fail(notOurs(number));  // a line far longer than any header line
        }
        const QByteArray line = withoutLineEnd(pending_.mid(at, end >= 0 ? end - at : -1));
        if (end >= 0) {
            if (!checkHeaderLine(number, line)) {
                return fail(notOurs(number));
            }
            at = end + 1;
            continue;
        }
        // The file ends inside the header.
        if (number == 1 && line.isEmpty()) {
            return fail(QStringLiteral("\"%1\" is empty: it is not a data file.").arg(name_));
        }
        if (!couldBeginHeaderLine(number, line)) {
            return fail(notOurs(number));
        }
        return fail(
            QStringLiteral("The header of \"%1\" is cut short: line %2 is %3.")
                .arg(name_)
                .arg(number)
                .arg(line.isEmpty() ? QStringLiteral("missing") : QStringLiteral("incomplete")));
    }
    // Rows read with the header stay in pending_ for readSome().
    pending_.remove(0, at);
    line_ = kHeaderLines;
    return true;
}

QString DataFileReader::notOurs(int line) const {
    const QString what =
        line == 1              ? QStringLiteral("is not \"%1\"").arg(QString::fromLatin1(kTitle))
        : line == kHeaderLines ? QStringLiteral("is not \"%1\"").arg(QString::fromLatin1(kHeadings))
                               : QStringLiteral("does not begin with \"%1\"")
                                     .arg(QString::fromLatin1(expectedStart(line).trimmed()));
    return QStringLiteral("\"%1\" is not a data file of this program: line %2 %3.")
        .arg(name_)
        .arg(line)
        .arg(what);
}

bool DataFileReader::couldBeginHeaderLine(int number, const QByteArray& line) {
    const QByteArray& expected = expectedStart(number);
    const QByteArray body = number == 1 && line.startsWith(kBom) ? line.mid(kBom.size()) : line;
    return expected.startsWith(body) ||
           (number != 1 && number != kHeaderLines && checkHeaderLine(number, line));
}

bool DataFileReader::checkHeaderLine(int number, const QByteArray& line) {
    switch (number) {
        case 1:
            return line == kTitle || line == kBom + kTitle;
        case 2:
            if (!line.startsWith(kVersionPrefix)) {
                return false;
            }
            data_.versionText = decodeText(line.mid(kVersionPrefix.size()));
            return true;
        case 3:
            if (!line.startsWith(kDatePrefix)) {
                return false;
            }
            data_.createdDate = decodeText(line.mid(kDatePrefix.size()));
            return true;
        case 4:
            if (!line.startsWith(kTimePrefix)) {
                return false;
            }
            data_.createdTime = decodeText(line.mid(kTimePrefix.size()));
            return true;
        default:
            return line == kHeadings;
    }
}

bool DataFileReader::readSome(qint64 maxBytes) {
    if (finished_) {
        return false;
    }
    const qint64 want = std::min(std::max<qint64>(maxBytes, 1), total_ - done_);
    qint64 got = 0;
    if (want > 0) {
        const qsizetype old = pending_.size();
        pending_.resize(old + static_cast<qsizetype>(want));
        got = device_->read(pending_.data() + old, want);
        if (got < 0) {
            pending_.resize(old);
            finish();
            error_ = QStringLiteral("Reading \"%1\" failed after %2 rows: %3.")
                         .arg(name_)
                         .arg(data_.rows)
                         .arg(device_->errorString());
            return false;
        }
        pending_.resize(old + static_cast<qsizetype>(got));
        done_ += got;
    }
    const char* const begin = pending_.constData();
    const char* const end = begin + pending_.size();
    const char* from = begin;
    try {
        while (const void* found = std::memchr(from, '\n', static_cast<std::size_t>(end - from))) {
            const char* newline = static_cast<const char*>(found);
            ++line_;
            if (discarding_) {
                discarding_ = false;
            } else {
                readRow(from, newline > from && newline[-1] == '\r' ? newline - 1 : newline);
            }
            from = newline + 1;
        }
    } catch (const AppError& e) {
        // Only a table past its column limit throws: keep what fits.
        pending_.clear();
        finish();
        error_ = QStringLiteral("\"%1\" holds more rows than can be shown: %2.")
                     .arg(name_, e.description);
        return false;
    }
    pending_.remove(0, from - begin);
    if (pending_.size() > kLongestLine) {
        if (!discarding_) {
            skip(line_ + 1, QStringLiteral("is too long"));
            discarding_ = true;
        }
        pending_.clear();
    }
    if (done_ >= total_ || got == 0) {
        finish();
        return false;
    }
    return true;
}

bool DataFileReader::readAll() {
    if (!open()) {
        return false;
    }
    while (readSome(1 << 20)) {
    }
    return error_.isEmpty();
}

void DataFileReader::skip(qint64 line, const QString& reason) {
    if (data_.skippedRows++ == 0) {
        data_.firstSkippedLine = line;
        data_.firstSkippedReason = reason;
    }
}

void DataFileReader::readRow(const char* begin, const char* end) {
    std::string_view fields[2 + kChannelCount];
    int count = 0;
    for (const char* from = begin;;) {
        const void* comma = std::memchr(from, ',', static_cast<std::size_t>(end - from));
        const char* fieldEnd = comma ? static_cast<const char*>(comma) : end;
        if (count < 2 + kChannelCount) {
            fields[count] = std::string_view(from, static_cast<std::size_t>(fieldEnd - from));
        }
        ++count;
        if (!comma) {
            break;
        }
        from = fieldEnd + 1;
    }
    if (count != 2 && count != 2 + kChannelCount) {
        skip(line_, QStringLiteral("has %1 field%2 where 2 or 10 are expected")
                        .arg(count)
                        .arg(count == 1 ? QString() : QStringLiteral("s")));
        return;
    }
    qint64 wall = 0;
    if (!parseGeneralDateTimeSeconds(fields[0], wall)) {
        skip(line_, QStringLiteral("has a system time that is not a date and time (%1)")
                        .arg(fieldForMessage(fields[0])));
        return;
    }
    double elapsed = 0;
    if (!parseFieldNumber(fields[1], elapsed) || elapsed < 0 || elapsed > kLongestRunSeconds) {
        skip(line_,
             QStringLiteral("has no valid time in seconds (%1)").arg(fieldForMessage(fields[1])));
        return;
    }
    double values[kChannelCount] = {};
    const bool withValues = count == 2 + kChannelCount;
    for (int c = 0; withValues && c < kChannelCount; ++c) {
        if (!parseFieldNumber(fields[2 + c], values[c])) {
            skip(line_, QStringLiteral("has a %1 value that is not a number (%2)")
                            .arg(channelName(c), fieldForMessage(fields[2 + c])));
            return;
        }
    }
    double offset = runOffset_;
    const bool newRun = data_.rows == 0 || elapsed < lastElapsed_;
    if (data_.rows > 0 && elapsed < lastElapsed_) {
        // The elapsed time starts again when a new sampling run appends to the file. That run
        // started after the row before was written, so its elapsed time fits into the system
        // time gap (which counts whole seconds only).
        const qint64 gap = wall - lastWall_;
        if (gap < 0 || elapsed > static_cast<double>(gap) + 1) {
            skip(line_, QStringLiteral("goes back in time (%1 s after %2 s)")
                            .arg(shortNumberText(elapsed), shortNumberText(lastElapsed_)));
            return;
        }
        offset = lastX_ + std::max(0.0, static_cast<double>(gap) - elapsed);
    }
    const double x = offset + elapsed;
    if (withValues) {
        for (int c = 0; c < kChannelCount; ++c) {
            PointTable& table = *data_.channels[c];
            table.setLast(x, values[c]);
            table.addEmptyColumn();
            data_.hasData[c] = data_.hasData[c] || values[c] != 0;
        }
        ++data_.rowsWithValues;
    }
    if (newRun) {
        ++data_.runs;
    }
    if (data_.rows == 0) {
        data_.firstSystemTime = QString::fromLatin1(fields[0].data(), fields[0].size());
        data_.firstSeconds = x;
    }
    ++data_.rows;
    runOffset_ = offset;
    lastElapsed_ = elapsed;
    lastX_ = x;
    lastWall_ = wall;
    std::memcpy(lastWallText_, fields[0].data(), sizeof lastWallText_);
}

void DataFileReader::finish() {
    if (finished_) {
        return;
    }
    finished_ = true;
    if (!pending_.isEmpty() && !discarding_) {
        data_.incompleteLine = line_ + 1;
    }
    pending_.clear();
    device_->close();
    if (!path_.isEmpty()) {
        data_.grew = QFileInfo(path_).size() > total_;
    }
    if (data_.rows > 0) {
        data_.lastSystemTime = QString::fromLatin1(lastWallText_, sizeof lastWallText_);
        data_.lastSeconds = lastX_;
    }
}

}  // namespace quorlin
