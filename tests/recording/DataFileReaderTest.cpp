#include "recording/DataFileReader.h"

#include "support/DataFileText.h"
#include "support/TempFolder.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace quorlin;
using namespace quorlin::test;

namespace {

const QByteArray& kHeader = kDataFileHeader;

// A row as the recording writes it: time fields, then CH0 = elapsed and CH1..CH7 = 0.
QByteArray row(const char* wall, const char* elapsed, const char* ch0 = nullptr) {
    QByteArray r = QByteArray("2026-12-07 ") + wall + ',' + elapsed;
    r += ',';
    r += ch0 ? QByteArray(ch0) : QByteArray(elapsed);
    r += ",0,0,0,0,0,0,0\r\n";
    return r;
}

const QByteArray kThreeRows =
    row("14:05:10", ".25") + row("14:05:10", ".5") + row("14:05:11", "1.25");

struct Outcome {
    qint64 rows = 0;
    qint64 skipped = 0;
    qint64 firstSkippedLine = 0;
    QString reason;
};

Outcome readBytes(const QByteArray& bytes) {
    DataFileReader reader(QStringLiteral("run.csv"), bytes);
    EXPECT_TRUE(reader.readAll()) << reader.error().toStdString();
    const RecordedData& d = reader.data();
    return {d.rows, d.skippedRows, d.firstSkippedLine, d.firstSkippedReason};
}

}  // namespace

struct NotADataFileCase {
    const char* name;
    QByteArray bytes;
    const char* message;
};

class DataFileReaderRejects : public ::testing::TestWithParam<NotADataFileCase> {};

TEST_P(DataFileReaderRejects, namesTheFileAndTheFirstBadLine) {
    DataFileReader reader(QStringLiteral("run.csv"), GetParam().bytes);
    EXPECT_FALSE(reader.open());
    EXPECT_TRUE(reader.error().startsWith(QStringLiteral("\"run.csv\" ")) ||
                reader.error().startsWith(QStringLiteral("The header of \"run.csv\" ")))
        << reader.error().toStdString();
    EXPECT_TRUE(reader.error().contains(QLatin1String(GetParam().message)))
        << reader.error().toStdString();
    EXPECT_TRUE(reader.finished());
}

INSTANTIATE_TEST_SUITE_P(
    Files, DataFileReaderRejects,
    ::testing::Values(
        NotADataFileCase{"empty", QByteArray(), "is empty"},
        NotADataFileCase{"otherCsv", "a,b,c\r\n1,2,3\r\n", "line 1 is not \"Kestova Quorlin\""},
        NotADataFileCase{"oneLongLine", QByteArray(300000, 'x'), "line 1 is not"},
        NotADataFileCase{"titleCutShort", "Kestova", "cut short: line 1 is incomplete"},
        NotADataFileCase{"otherTitleCutShort", "Kestova X", "line 1 is not"},
        NotADataFileCase{"otherVersionLine", "Kestova Quorlin\r\nVersion 2\r\n",
                         "line 2 does not begin with \"Data Acquisition"},
        NotADataFileCase{"sevenChannels", kHeader.left(kHeader.size() - 6) + "\r\n",
                         "line 5 is not \"System Time,"},
        NotADataFileCase{"headerEndsAfterLine3", kHeader.left(kHeader.indexOf("Time file")),
                         "cut short: line 4 is missing"},
        NotADataFileCase{"headerEndsInsideLine5", kHeader.left(kHeader.size() - 10),
                         "cut short: line 5 is incomplete"},
        NotADataFileCase{"headingsWithoutLineEnd", kHeader.left(kHeader.size() - 2),
                         "cut short: line 5 is incomplete"}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadRowCase {
    const char* name;
    QByteArray rows;  // after the header; the bad row is line 7, or as given
    qint64 goodRows;
    qint64 skipped;
    qint64 firstLine;
    const char* reason;
};

class DataFileReaderSkips : public ::testing::TestWithParam<BadRowCase> {};

TEST_P(DataFileReaderSkips, keepsGoodRowsAndNamesTheFirstBadOne) {
    const BadRowCase& c = GetParam();
    const Outcome o = readBytes(kHeader + c.rows);
    EXPECT_EQ(o.rows, c.goodRows);
    EXPECT_EQ(o.skipped, c.skipped);
    EXPECT_EQ(o.firstSkippedLine, c.firstLine);
    EXPECT_TRUE(o.reason.contains(QLatin1String(c.reason))) << o.reason.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DataFileReaderSkips,
    ::testing::Values(
        BadRowCase{"tooFewFields",
                   row("14:05:10", ".25") + "2026-12-07 14:05:10,.5,1,2\r\n" + row("14:05:11", "1"),
                   2, 1, 7, "has 4 fields where 2 or 10 are expected"},
        BadRowCase{"tooManyFields",
                   row("14:05:10", ".25") + row("14:05:10", ".5").replace("\r\n", ",9\r\n"), 1, 1,
                   7, "has 11 fields"},
        BadRowCase{"emptyLine", row("14:05:10", ".25") + "\r\n" + row("14:05:11", "1"), 2, 1, 7,
                   "has 1 field where"},
        BadRowCase{"valueNotANumber", row("14:05:10", ".25") + row("14:05:10", ".5", "1.2.3"), 1, 1,
                   7, "CH0 value that is not a number (\"1.2.3\")"},
        BadRowCase{"infinityIsNotAValue", row("14:05:10", ".25") + row("14:05:10", ".5", "inf"), 1,
                   1, 7, "CH0 value"},
        BadRowCase{"blankInValue", row("14:05:10", ".25") + row("14:05:10", ".5", " 1"), 1, 1, 7,
                   "CH0 value"},
        BadRowCase{"timeNotANumber", row("14:05:10", ".25") + row("14:05:10", "x", "1"), 1, 1, 7,
                   "has no valid time in seconds (\"x\")"},
        BadRowCase{"systemTimeNotADate", row("14:05:10", ".25") + row("25:05:10", ".5"), 1, 1, 7,
                   "system time that is not a date and time"},
        // Within one second only a time that cannot belong to a new sampling run.
        BadRowCase{"timeGoesBack",
                   row("14:05:10", "5") + row("14:05:10", "5.5") + row("14:05:10", "4") +
                       row("14:05:11", "6"),
                   3, 1, 8, "goes back in time (4 s after 5.5 s)"},
        BadRowCase{"timeGoesBackFurtherThanTheGap",
                   row("14:05:10", "5") + row("14:05:12", "3.5") + row("14:05:13", "6"), 2, 1, 7,
                   "goes back in time"},
        BadRowCase{"severalBadRows",
                   row("14:05:10", ".25") + "x\r\n" + "y,z\r\n" + row("14:05:11", "1"), 2, 2, 7,
                   "has 1 field where"},
        BadRowCase{"negativeTime", row("14:05:10", ".25") + row("14:05:10", "-1"), 1, 1, 7,
                   "has no valid time in seconds"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DataFileReader, rowsBecomeOnePointPerChannel) {
    const QByteArray bytes = kHeader + "2026-12-07 14:05:10,.25,.5,-.25,0,1E+20,0,0,0,12.5\r\n" +
                             "2026-12-07 14:05:10,.5,1,-1,0,2,0,0,0,-3\r\n";
    DataFileReader reader(QStringLiteral("run.csv"), bytes);
    ASSERT_TRUE(reader.readAll());
    const RecordedData& d = reader.data();
    EXPECT_EQ(d.versionText, QStringLiteral("2.1.3"));
    EXPECT_EQ(d.createdDate, QStringLiteral("2026-12-07"));
    EXPECT_EQ(d.createdTime, QStringLiteral("14:05:09"));
    EXPECT_EQ(d.rows, 2);
    EXPECT_EQ(d.runs, 1);
    const PointTable& ch0 = *d.channels[0];
    ASSERT_EQ(ch0.filledCount(), 2);
    EXPECT_DOUBLE_EQ(ch0.x(0), 0.25);
    EXPECT_DOUBLE_EQ(ch0.y(0), 0.5);
    EXPECT_DOUBLE_EQ(ch0.x(1), 0.5);
    EXPECT_DOUBLE_EQ(d.channels[1]->y(0), -0.25);
    EXPECT_DOUBLE_EQ(d.channels[3]->y(0), 1e20);
    EXPECT_DOUBLE_EQ(d.channels[7]->y(1), -3);
    const PerChannel<bool> hasData = {true, true, false, true, false, false, false, true};
    EXPECT_EQ(d.hasData, hasData);
    EXPECT_EQ(d.firstSystemTime, QStringLiteral("2026-12-07 14:05:10"));
    EXPECT_EQ(d.lastSystemTime, QStringLiteral("2026-12-07 14:05:10"));
    EXPECT_DOUBLE_EQ(d.lastSeconds - d.firstSeconds, 0.25);
}

TEST(DataFileReader, rowsWithOnlyTimesAddNoPoints) {
    // Recorded with neither Volts nor Scale, then with Volts.
    DataFileReader reader(QStringLiteral("run.csv"),
                          kHeader + "2026-12-07 14:05:10,.25\r\n" + row("14:05:10", ".5"));
    ASSERT_TRUE(reader.readAll());
    EXPECT_EQ(reader.data().rows, 2);
    EXPECT_EQ(reader.data().rowsWithValues, 1);
    EXPECT_EQ(reader.data().channels[0]->filledCount(), 1);
    EXPECT_EQ(reader.data().skippedRows, 0);
}

TEST(DataFileReader, aNewSamplingRunContinuesAfterTheLastOneAtItsDistance) {
    // The second run starts 3.5 s after the last row of the first one (at 14:05:20 - 1.5 s).
    const Outcome o = readBytes(kHeader + row("14:05:10", "9") + row("14:05:11", "10") +
                                row("14:05:20", "5.5") + row("14:05:20", "5.75"));
    EXPECT_EQ(o.skipped, 0);
    DataFileReader reader(
        QStringLiteral("run.csv"),
        kHeader + row("14:05:10", "9") + row("14:05:11", "10") + row("14:05:20", "5.5"));
    ASSERT_TRUE(reader.readAll());
    const RecordedData& d = reader.data();
    EXPECT_EQ(d.runs, 2);
    EXPECT_DOUBLE_EQ(d.channels[0]->x(2), 10 + (9 - 5.5) + 5.5);
    EXPECT_TRUE(d.channels[0]->isOrdered());
}

TEST(DataFileReader, lineFeedsAndAByteOrderMarkAreRead) {
    QByteArray bytes = "\xEF\xBB\xBF" + kHeader + kThreeRows;
    bytes.replace("\r\n", "\n");
    EXPECT_EQ(readBytes(bytes).rows, 3);
}

TEST(DataFileReader, slicesOfAnySizeGiveTheSameRows) {
    QByteArray bytes = kHeader;
    for (int i = 0; i < 20; ++i) {
        bytes += row("14:05:10", QByteArray::number(i).constData());
    }
    bytes += "bad\r\n" + row("14:05:12", "20") + "2026-12-07 14:05:12,20.2";
    for (qint64 slice : {1, 2, 7, 64, 1 << 20}) {
        DataFileReader reader(QStringLiteral("run.csv"), bytes);
        ASSERT_TRUE(reader.open());
        int calls = 0;
        while (reader.readSome(slice)) {
            ++calls;
        }
        const RecordedData& d = reader.data();
        EXPECT_EQ(d.rows, 21) << slice;
        EXPECT_EQ(d.skippedRows, 1) << slice;
        EXPECT_EQ(d.firstSkippedLine, 26) << slice;
        EXPECT_EQ(d.incompleteLine, 28) << slice;
        EXPECT_EQ(d.channels[0]->y(20), 20) << slice;
        EXPECT_EQ(reader.bytesDone(), bytes.size());
        EXPECT_GE(calls, (bytes.size() - 512) / slice) << slice;
    }
}

TEST(DataFileReader, aLineTooLongForARowIsSkippedWithoutHoldingIt) {
    const QByteArray bytes =
        kHeader + row("14:05:10", ".25") + QByteArray(200000, '7') + "\r\n" + row("14:05:11", "1");
    DataFileReader reader(QStringLiteral("run.csv"), bytes);
    ASSERT_TRUE(reader.open());
    while (reader.readSome(4096)) {
    }
    const RecordedData& d = reader.data();
    EXPECT_EQ(d.rows, 2);
    EXPECT_EQ(d.skippedRows, 1);
    EXPECT_EQ(d.firstSkippedLine, 7);
    EXPECT_EQ(d.firstSkippedReason, QStringLiteral("is too long"));
}

TEST(DataFileReader, aFileStillBeingRecordedIsReadUpToItsSizeWhenOpened) {
    TempFolder temp;
    const QString path = temp.path() + QStringLiteral("/run.csv");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(kHeader + kThreeRows + "2026-12-07 14:05:1");  // a row half written
    file.flush();

    DataFileReader reader(path);
    ASSERT_TRUE(reader.open());
    file.write("2,2\r\n" + row("14:05:12", "2.25"));
    file.close();
    while (reader.readSome(16)) {
    }
    const RecordedData& d = reader.data();
    EXPECT_EQ(d.rows, 3);
    EXPECT_EQ(d.skippedRows, 0);
    EXPECT_EQ(d.incompleteLine, 9);
    EXPECT_TRUE(d.grew);
    EXPECT_TRUE(reader.error().isEmpty());
}

TEST(DataFileReader, aMissingFileIsNamed) {
    DataFileReader reader(QStringLiteral("/nonexistent/run.csv"));
    EXPECT_FALSE(reader.open());
    EXPECT_TRUE(reader.error().startsWith(QStringLiteral("Cannot read \"/nonexistent/run.csv\"")))
        << reader.error().toStdString();
}
