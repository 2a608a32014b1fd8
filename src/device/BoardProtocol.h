#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace quorlin {

// The board's single-byte commands and its three-byte reading reply.

// "z": the next byte is a count code.
constexpr char kSamplesAveragedCommand = 0x7A;
// Count codes after "z": samples the board averages per reading.
constexpr char kCountCode1 = 0x69;    // "i"
constexpr char kCountCode10 = 0x6A;   // "j"
constexpr char kCountCode100 = 0x6B;  // "k"
constexpr char kCountCode200 = 0x6C;  // "l"

constexpr char kReplyMarker = static_cast<char>(0xFF);
constexpr int kReplyLength = 3;

// The reading request of a channel 0..7: "f", "x", "y", "w", "m", "n", "o", "p".
char requestByte(int channel);

// The count code for a samples-averaged setting; any value the board has no code for gives
// "z" again, so the board sees "z" twice.
char countCode(qint16 samplesAveraged);

// Exactly three bytes, the first 0xFF; the reading bytes are not examined.
bool isGoodReply(const QByteArray& reply);

// Volts of a reply: (high * 256 + low - 8192) * 0.0006103, rounded to 3 decimals with halves
// to even. No range check: a high byte above 0x3F gives more than 5 V. A reply shorter than
// three bytes throws AppError(SubscriptOutOfRange).
double replyToVolts(const QByteArray& reply);

// The port's speed: 9600 baud, eight data bits, no parity, one stop bit.
constexpr qint32 kLineBaud = 9600;

// Scans per second a line of `baud` can carry, 10 bits a byte, every channel being one
// request byte and its reply: 30.0 at 9600 baud. No scan rate can go above it.
double lineScanLimit(qint32 baud);

}  // namespace quorlin
