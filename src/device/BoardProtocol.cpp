#include "device/BoardProtocol.h"

#include "common/Rounding.h"

namespace quorlin {

char requestByte(int channel) {
    static constexpr char kBytes[8] = {0x66, 0x78, 0x79, 0x77, 0x6D, 0x6E, 0x6F, 0x70};
    return kBytes[channel & 7];
}

bool isGoodReply(const QByteArray& reply) {
    return reply.size() == 3 && static_cast<quint8>(reply[0]) == 0xFF;
}

double replyToVolts(const QByteArray& reply) {
    const int hi = static_cast<quint8>(reply[1]);
    const int lo = static_cast<quint8>(reply[2]);
    return roundHalfEven((hi * 256 + lo - 8192) * 0.0006103, 3);
}

}  // namespace quorlin
