#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quorlin {

// Text files of the system: lines end with CR LF and are written as UTF-8; a file read back
// that is not valid UTF-8 is taken as Windows-1252. Every failure throws AppError with a
// stable number (53 not found, 61 disk full, 75 access error, 76 path not found).

// Each line followed by CR LF.
QByteArray encodeLines(const QStringList& lines);

// Appends bytes to a file (created when missing), flushed and closed before returning. On a
// failure the file is cut back to its previous length, so a half-written line never stays.
void appendToFile(const QString& path, const QByteArray& bytes);

// Creates or truncates a file and writes the bytes; on a failure what was written stays.
void writeFileTruncating(const QString& path, const QByteArray& bytes);

// Replaces a file as a whole (temporary file beside it, then rename): on a failure the
// previous file stays intact.
void writeFileAtomically(const QString& path, const QByteArray& bytes);

// Asks the kernel to put the file's data on the disk (fdatasync), so a power cut cannot take
// it. False when the file cannot be opened or the disk refuses.
bool syncFileData(const QString& path);

// UTF-8 when valid, else Windows-1252.
QString decodeText(const QByteArray& bytes);

}  // namespace quorlin
