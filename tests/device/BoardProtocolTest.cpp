#include "common/AppError.h"
#include "device/BoardProtocol.h"

#include <gtest/gtest.h>

namespace quorlin {
namespace {

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) {
        out.append(static_cast<char>(v));
    }
    return out;
}

TEST(BoardProtocolTest, requestBytes_followTheBoardsMapping) {
    const QByteArray expected = bytes({0x66, 0x78, 0x79, 0x77, 0x6D, 0x6E, 0x6F, 0x70});
    for (int channel = 0; channel < 8; ++channel) {
        EXPECT_EQ(requestByte(channel), expected.at(channel)) << "channel " << channel;
    }
    EXPECT_THROW(requestByte(8), AppError);
    EXPECT_THROW(requestByte(-1), AppError);
}

TEST(BoardProtocolTest, countCodes_forKnownCountsAndZForAnyOther) {
    EXPECT_EQ(countCode(1), 0x69);
    EXPECT_EQ(countCode(10), 0x6A);
    EXPECT_EQ(countCode(100), 0x6B);
    EXPECT_EQ(countCode(200), 0x6C);
    for (qint16 other : {0, 2, 50, -1, 201}) {
        EXPECT_EQ(countCode(other), 0x7A) << other;
    }
}

TEST(BoardProtocolTest, replyTest_needsExactlyThreeBytesStartingWithMarker) {
    EXPECT_TRUE(isGoodReply(bytes({0xFF, 0x20, 0x00})));
    EXPECT_TRUE(isGoodReply(bytes({0xFF, 0xFF, 0xFF})));
    EXPECT_FALSE(isGoodReply(bytes({0xFE, 0x20, 0x00})));
    EXPECT_FALSE(isGoodReply(bytes({0xFF, 0x20})));
    EXPECT_FALSE(isGoodReply(bytes({0xFF, 0x20, 0x00, 0x00})));
    EXPECT_FALSE(isGoodReply(bytes({0x20, 0x00, 0xFF})));
    EXPECT_FALSE(isGoodReply(QByteArray()));
}

TEST(BoardProtocolTest, decoding_coversTheRangeAndBeyond) {
    EXPECT_DOUBLE_EQ(replyToVolts(bytes({0xFF, 0x20, 0x00})), 0.0);
    EXPECT_DOUBLE_EQ(replyToVolts(bytes({0xFF, 0x20, 0x01})), 0.001);
    EXPECT_DOUBLE_EQ(replyToVolts(bytes({0xFF, 0x1F, 0xFF})), -0.001);
    EXPECT_DOUBLE_EQ(replyToVolts(bytes({0xFF, 0x00, 0x00})), -5.0);
    EXPECT_DOUBLE_EQ(replyToVolts(bytes({0xFF, 0x3F, 0xFF})), 4.999);
    // No range check: a high byte above 0x3F reads beyond 5 V.
    EXPECT_DOUBLE_EQ(replyToVolts(bytes({0xFF, 0xFF, 0xFF})), 34.996);
    // 15000 counts: 9.1545 exactly with the factor 0.0006103 (5/8192 would give 9.155), and
    // the half goes to the even digit.
    EXPECT_DOUBLE_EQ(replyToVolts(bytes({0xFF, 0x5A, 0x98})), 9.154);
}

TEST(BoardProtocolTest, decoding_aShortReplyIsRefusedNotReadPastItsEnd) {
    EXPECT_THROW(replyToVolts(bytes({0xFF, 0x20})), AppError);
    EXPECT_THROW(replyToVolts(QByteArray()), AppError);
}

TEST(BoardProtocolTest, lineScanLimit_isWhatTheLineCarriesForEightExchanges) {
    EXPECT_DOUBLE_EQ(lineScanLimit(kLineBaud), 30.0);
    EXPECT_DOUBLE_EQ(lineScanLimit(19200), 60.0);
}

}  // namespace
}  // namespace quorlin
