#include "common/TextFile.h"

#include "common/AppError.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace quorlin {

namespace {

AppError fileError(const QString& path, const QString& detail) {
    const int e = errno;
    if (e == ENOSPC || e == EFBIG || e == EDQUOT) {
        return AppError(ErrorNumber::DiskFull, QStringLiteral("Disk full (%1)").arg(path));
    }
    if (e == ENOENT || e == ENOTDIR) {
        return AppError(ErrorNumber::PathNotFound, QStringLiteral("Path not found: %1").arg(path));
    }
    return AppError(ErrorNumber::PathFileAccessError,
                    QStringLiteral("Path/File access error: %1 (%2)").arg(path, detail));
}

// Characters 0x80..0x9F of Windows-1252; the rest of the code page is Latin-1.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

}  // namespace

QByteArray encodeLines(const QStringList& lines) {
    QByteArray out;
    for (const QString& line : lines) {
        out += line.toUtf8();
        out += "\r\n";
    }
    return out;
}

void appendToFile(const QString& path, const QByteArray& bytes) {
    // Unbuffered: a failed write leaves nothing in Qt's buffer, which would otherwise make
    // the cut-back below fail (resize() flushes first) and be retried on close().
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        throw fileError(path, file.errorString());
    }
    const qint64 before = file.size();
    errno = 0;
    if (file.write(bytes) != bytes.size()) {
        AppError err = fileError(path, file.errorString());
        file.close();
        QFile::resize(path, before);  // never leave a half-written line behind
        throw err;
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        AppError err = fileError(path, file.errorString());
        QFile::resize(path, before);
        throw err;
    }
}

void writeFileTruncating(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        throw fileError(path, file.errorString());
    }
    errno = 0;
    const bool ok = file.write(bytes) == bytes.size() && file.flush();
    if (!ok) {
        AppError err = fileError(path, file.errorString());
        file.close();
        throw err;
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        throw fileError(path, file.errorString());
    }
}

void writeFileAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        throw fileError(path, file.errorString());
    }
    errno = 0;
    // QSaveFile::commit() can report success after a write that hit a size limit: check the
    // flush before committing.
    const bool ok = file.write(bytes) == bytes.size() && file.flush();
    if (!ok) {
        AppError err = fileError(path, file.errorString());
        file.cancelWriting();
        file.commit();
        throw err;
    }
    errno = 0;
    if (!file.commit()) {
        throw fileError(path, file.errorString());
    }
}

bool syncFileData(const QString& path) {
    // Read-only is enough for fdatasync, and still works once the folder is unwritable.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::fdatasync(fd) == 0;
    ::close(fd);
    return ok;
}

QString decodeText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        return text;
    }
    QString out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += (b >= 0x80 && b <= 0x9F) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return out;
}

}  // namespace quorlin
