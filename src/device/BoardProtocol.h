#pragma once

#include <QByteArray>

namespace quorlin {

// The board's byte protocol: one request byte per channel, three-byte replies.
char requestByte(int channel);
bool isGoodReply(const QByteArray& reply);
double replyToVolts(const QByteArray& reply);

}  // namespace quorlin
