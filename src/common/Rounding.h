#pragma once

#include <QtGlobal>

namespace quorlin {

// Rounding to a number of decimals is done on the value's 15-significant-digit decimal form,
// so a value that shows as an exact half (3.0515) is treated as one even though the binary
// double lies a hair to one side of it.

// A value exactly halfway goes to the even last digit (volts, seconds, polynomial results).
double roundHalfEven(double value, int decimals);

// A value exactly halfway goes away from zero (the scaled value).
double roundHalfAwayFromZero(double value, int decimals);

// Whole-number conversions of settings: nearest integer, ties to the even neighbour; a
// result outside the type's range throws AppError(Overflow).
qint16 toInt16(double value);
qint32 toInt32(double value);

}  // namespace quorlin
