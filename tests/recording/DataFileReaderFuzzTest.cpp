// Random mutations of a valid data file, read in random slices: the reader must open and read
// it, or refuse it with a message naming the file, never crash, hang or read out of bounds,
// and what it keeps must be drawable (ordered, one point per channel per row with values).
// Also built with AddressSanitizer and UBSan; QUORLIN_FUZZ_ITERATIONS sets the rounds.
#include "common/TextFile.h"
#include "recording/DataFileReader.h"

#include "support/FuzzMutation.h"

#include <gtest/gtest.h>

#include <random>

using namespace quorlin;
using namespace quorlin::test;

namespace {

QByteArray seedFile() {
    QStringList lines = {
        QStringLiteral("Kestova Quorlin"),
        QStringLiteral("Data Acquisition and Display Software File Version 2.1.3"),
        QStringLiteral("Date file created: 2026-12-07"),
        QStringLiteral("Time file created: 14:05:09"),
        QStringLiteral("System Time,Time(Seconds),CH0,CH1,CH2,CH3,CH4,CH5,CH6,CH7")};
    for (int i = 0; i < 40; ++i) {
        // Two sampling runs, and a stretch recorded without channel values.
        const int t = i < 25 ? i : i - 24;
        QString r = QStringLiteral("2026-12-07 14:05:%1,%2")
                        .arg(10 + i, 2, 10, QLatin1Char('0'))
                        .arg(t == 0 ? QStringLiteral("0") : QStringLiteral("%1.25").arg(t));
        if (i < 30 || i > 33) {
            r += QStringLiteral(",.5,-.25,0,1E+20,12.345,-3,0,%1").arg(i);
        }
        lines << r;
    }
    return encodeLines(lines);
}

const std::vector<QByteArray> kPieces = {"\r\n",
                                         "\r",
                                         "\n",
                                         ",",
                                         "-",
                                         ".",
                                         "E+",
                                         "e-999",
                                         "1e400",
                                         "inf",
                                         "nan",
                                         "\xFF",
                                         "\x00",
                                         " ",
                                         "9999999999999999999",
                                         ",,",
                                         "2026-13-40 25:61:61"};

}  // namespace

TEST(DataFileReaderFuzz, mutatedFiles_readOrRefusedByName) {
    const int iterations = fuzzIterations(3000);
    const QByteArray valid = seedFile();
    std::mt19937 gen(1203);
    int refused = 0;
    int withSkips = 0;
    int clean = 0;
    for (int i = 0; i < iterations; ++i) {
        const QByteArray bytes = mutate(valid, gen, kPieces);
        DataFileReader reader(QStringLiteral("fuzz.csv"), bytes);
        if (!reader.open()) {
            ++refused;
            EXPECT_TRUE(reader.error().contains(QLatin1String("\"fuzz.csv\"")))
                << "iteration " << i << ": " << reader.error().toStdString();
            continue;
        }
        const qint64 slice = std::uniform_int_distribution<qint64>(1, 4096)(gen);
        while (reader.readSome(slice)) {
        }
        ASSERT_TRUE(reader.finished());
        EXPECT_TRUE(reader.error().isEmpty()) << "iteration " << i;
        const RecordedData& d = reader.data();
        (d.skippedRows > 0 ? withSkips : clean) += 1;
        EXPECT_LE(d.rows + d.skippedRows, bytes.count('\n')) << "iteration " << i;
        EXPECT_LE(d.rowsWithValues, d.rows) << "iteration " << i;
        for (int c = 0; c < kChannelCount; ++c) {
            EXPECT_EQ(d.channels[c]->filledCount(), d.rowsWithValues) << "iteration " << i;
            EXPECT_TRUE(d.channels[c]->isOrdered()) << "iteration " << i;
        }
        if (d.skippedRows > 0) {
            EXPECT_GT(d.firstSkippedLine, 5) << "iteration " << i;
            EXPECT_FALSE(d.firstSkippedReason.isEmpty()) << "iteration " << i;
        }
    }
    // Every outcome occurs, or the mutations are not reaching the reader's paths.
    EXPECT_GT(refused, 0);
    EXPECT_GT(withSkips, 0);
    EXPECT_GT(clean, 0);
}
