#include "app/HeadlessLog.h"

#include "app/AppErrorHandler.h"
#include "common/DateText.h"

#include <sys/stat.h>

#include <cstdio>

namespace quorlin {

namespace {

// JOURNAL_STREAM names the device and inode of the journal's stream; only when stderr is
// that stream do the lines carry a priority prefix.
bool stderrIsJournal() {
    const QByteArray stream = qgetenv("JOURNAL_STREAM");
    struct stat st {};
    if (stream.isEmpty() || ::fstat(2, &st) != 0) {
        return false;
    }
    return stream == QByteArray::number(static_cast<qulonglong>(st.st_dev)) + ':' +
                         QByteArray::number(static_cast<qulonglong>(st.st_ino));
}

// One line, whatever the text holds.
QString oneLine(const QString& text) {
    QString line = text.trimmed();
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(u'\r', u' ');
    line.replace(u'\n', u' ');
    return line;
}

}  // namespace

HeadlessLog::HeadlessLog(Clock& clock, Writer writer) : clock_(clock), writer_(std::move(writer)) {
    if (!writer_) {
        journal_ = stderrIsJournal();
        writer_ = [](const QByteArray& line) {
            std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
            std::fflush(stderr);
        };
    }
}

void HeadlessLog::write(Level level, const QString& text) {
    static const char* const kNames[] = {"info", "warning", "error"};
    static const char* const kPriorities[] = {"<6>", "<4>", "<3>"};
    const auto i = static_cast<int>(level);
    QByteArray line;
    if (journal_) {
        line += kPriorities[i];
    }
    line += generalDateTimeText(clock_.localNow()).toUtf8() + ' ' + kNames[i] + ": " +
            oneLine(text).toUtf8() + '\n';
    writer_(line);
}

void LogMessageBox::showOk(const QString& text) {
    log_.error(text);
}

bool LogMessageBox::showRetryCancel(const QString& text) {
    log_.error(text);
    return true;
}

void HeadlessReports::report(qint32 number, const QString& source, const QString& screen,
                             const QString& description) {
    errorLog_.LogError(number, source, screen, description);
    log_.error(QStringLiteral("%1 (error %2 in %3)").arg(description).arg(number).arg(source));
    if (reported_) {
        reported_(source);
    }
}

void HeadlessReports::log(qint32 number, const QString& source, const QString& screen,
                          const QString& description) {
    errorLog_.LogError(number, source, screen, description);
    log_.warning(description);
}

}  // namespace quorlin
