#pragma once

#include <QString>
#include <QStringView>

#include <string_view>

namespace quorlin {

// Every number the system shows, writes or reads back goes through these, so the bytes of
// boxes and files are the same everywhere and never depend on the locale.

// Up to 15 significant digits, "." as separator, "0" before the point, no trailing zeros:
// 4 -> "4", 0.5 -> "0.5", -12.3457 -> "-12.3457". Exponent form (1E+15, 1E-05) outside
// 1e-4 <= |v| < 1e15.
QString displayNumberText(double value);

// A multiple of `step` (a tick on an axis) in display form, with the decimals the step has,
// so that adjacent multiples read differently however fine the step: 6.7756300001 beside
// 6.7756300002 for a step of 1E-10, "0.3" for 0.30000000000000004 with a step of 0.1.
// Up to 15 significant digits, as displayNumberText.
QString stepNumberText(double value, double step);

// As displayNumberText but without the 0 before the point: 0.5 -> ".5", -0.25 -> "-.25".
// Round-trips 15 significant digits through leadingNumber().
QString shortNumberText(double value);

// A value in the "print form" of configuration files: short number text with one blank
// before a non-negative number and one blank after it (" 1.5 ", "-2 ").
QString printFormText(double value);

// The leading-number rule: blanks, tabs and line feeds are ignored wherever they stand; an
// optional sign, digits, optional "." and fraction, optional exponent (E or D) are taken;
// reading stops at the first character that cannot continue the number. No number gives
// 0. A number beyond the range of a double throws AppError(Overflow).
double leadingNumber(QStringView text);

// Reads a whole text as a number (blanks around it allowed, "." as the only separator).
// Returns false when the text is not entirely one number.
bool parseWholeNumber(QStringView text, double& value);

// Reads a number field of a file row, as short number text writes it ("-.25", "12", "1E+20"):
// the whole field, no blanks, no "+". False for anything else and for values a double cannot
// hold. Works on the raw bytes, for files of millions of fields.
bool parseFieldNumber(std::string_view text, double& value);
// A file size in decimal units with one decimal above bytes: "512 B", "56.2 kB", "1.3 GB".
QString byteSizeText(qint64 bytes);

}  // namespace quorlin
