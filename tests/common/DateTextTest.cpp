#include "common/DateText.h"

#include <gtest/gtest.h>

using namespace quorlin;

TEST(DateText, errorLogUsesTwelveHourClock) {
    const QDate day(2026, 3, 7);
    EXPECT_EQ(errorLogDateText(QDateTime(day, QTime(0, 30, 5))), "07/03/2026 12:30:05 am");
    EXPECT_EQ(errorLogDateText(QDateTime(day, QTime(11, 59, 59))), "07/03/2026 11:59:59 am");
    EXPECT_EQ(errorLogDateText(QDateTime(day, QTime(12, 30, 0))), "07/03/2026 12:30:00 pm");
    EXPECT_EQ(errorLogDateText(QDateTime(day, QTime(13, 2, 9))), "07/03/2026 01:02:09 pm");
    EXPECT_EQ(errorLogDateText(QDateTime(day, QTime(23, 59, 0))), "07/03/2026 11:59:00 pm");
}

TEST(DateText, isoLikeForms) {
    const QDateTime t(QDate(2026, 12, 7), QTime(4, 5, 9));
    EXPECT_EQ(shortDateText(t), "2026-12-07");
    EXPECT_EQ(timeText(t), "04:05:09");
    EXPECT_EQ(generalDateTimeText(t), "2026-12-07 04:05:09");
}

TEST(DateText, isoTextCarriesMillisecondsAndOffset) {
    const QDate d(2026, 12, 9);
    const QTime tm(6, 0, 0, 123);
    EXPECT_EQ(isoDateTimeText(QDateTime(d, tm, Qt::OffsetFromUTC, 3600)),
              "2026-12-09T06:00:00.123+01:00");
    EXPECT_EQ(isoDateTimeText(QDateTime(d, tm, Qt::OffsetFromUTC, -(5 * 3600 + 1800))),
              "2026-12-09T06:00:00.123-05:30");
    EXPECT_EQ(isoDateTimeText(QDateTime(d, QTime(6, 0, 0, 7), Qt::UTC)),
              "2026-12-09T06:00:00.007+00:00");
}

TEST(DateText, generalDateTimeReadsBackAsSeconds) {
    const QDateTime t(QDate(2026, 12, 31), QTime(23, 59, 59));
    qint64 a = 0;
    qint64 b = 0;
    ASSERT_TRUE(parseGeneralDateTimeSeconds(generalDateTimeText(t).toStdString(), a));
    ASSERT_TRUE(parseGeneralDateTimeSeconds(generalDateTimeText(t.addSecs(2)).toStdString(), b));
    EXPECT_EQ(b - a, 2);  // across the turn of the year
    for (const char* bad : {"", "2026-12-07", "2026-12-07 14:05", "2026-12-07T14:05:09",
                            "2026-02-30 14:05:09", "2026-13-01 14:05:09", "2026-12-07 24:00:00",
                            "2026-12-07 14:60:09", "2026-12-07 14:05:09 ", "2026-12-o7 14:05:09"}) {
        EXPECT_FALSE(parseGeneralDateTimeSeconds(bad, a)) << bad;
    }
}
