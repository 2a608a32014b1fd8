#include "device/BoardProtocol.h"

#include "common/AppError.h"
#include "common/Channel.h"
#include "common/Rounding.h"

#include <array>

namespace quorlin {

namespace {
// Not alphabetical: this is the board's own mapping.
constexpr std::array<char, 8> kRequestBytes = {0x66, 0x78, 0x79, 0x77, 0x6D, 0x6E, 0x6F, 0x70};
constexpr int kMidScale = 8192;
constexpr double kVoltsPerCount = 0.0006103;
}  // namespace

char requestByte(int channel) {
    if (channel < 0 || channel >= static_cast<int>(kRequestBytes.size())) {
        throw AppError(ErrorNumber::SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
    }
    return kRequestBytes[static_cast<size_t>(channel)];
}

char countCode(qint16 samplesAveraged) {
    switch (samplesAveraged) {
        case 1:
            return kCountCode1;
        case 10:
            return kCountCode10;
        case 100:
            return kCountCode100;
        case 200:
            return kCountCode200;
        default:
            return kSamplesAveragedCommand;
    }
}

bool isGoodReply(const QByteArray& reply) {
    return reply.size() == kReplyLength && reply.at(0) == kReplyMarker;
}

double replyToVolts(const QByteArray& reply) {
    if (reply.size() < kReplyLength) {
        throw AppError(ErrorNumber::SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
    }
    const int high = static_cast<unsigned char>(reply.at(1));
    const int low = static_cast<unsigned char>(reply.at(2));
    const double volts = static_cast<double>(high * 256 + low - kMidScale) * kVoltsPerCount;
    return roundHalfEven(volts, 3);
}

double lineScanLimit(qint32 baud) {
    constexpr int kBitsPerByte = 10;  // start, eight data bits, stop
    constexpr int kBytesPerScan = kChannelCount * (1 + kReplyLength);
    return static_cast<double>(baud) / kBitsPerByte / kBytesPerScan;
}

}  // namespace quorlin
