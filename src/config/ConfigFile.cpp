#include "config/ConfigFile.h"

#include "common/AppError.h"
#include "common/ErrorHandler.h"
#include "common/NumberText.h"
#include "common/Rounding.h"
#include "common/TextFile.h"
#include "platform/AppFolders.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"

#include <QFile>
#include <QFileInfo>

namespace quorlin {

namespace {

const QString kTitle =
    QStringLiteral("Quorlin - Data Acquisition and Display Software Configuration File");
const QString kDefaultTitle =
    QStringLiteral("Quorlin - Data Acquisition and Display Software DEFAULT Configuration File");
const QString kFilter =
    QStringLiteral("All Files (*.*)|*.*|Text Files(*.txt)|*.txt|CFG Files (*.cfg)|*.cfg");

QString polynomialComment(int channel) {
    // The first block has always said "Data", the others "Settings"; readers skip comments,
    // but files are compared by eye and by diff, so keep the words.
    return channel == 0 ? QStringLiteral("'Polynomial Data CH0")
                        : QStringLiteral("'Polynomial Settings CH%1").arg(channel);
}

// A line break inside a text value would shift every later value by a line.
QString textLine(const QString& text) {
    QString line = text;
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line;
}

QString boolWord(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

class LineCursor {
  public:
    explicit LineCursor(const QStringList& lines) : lines_(lines) {}

    const QString& take() {
        current_ = static_cast<int>(next_) + 1;
        if (next_ >= lines_.size() || next_ >= kConfigLineCount) {
            throw AppError(ErrorNumber::InputPastEndOfFile,
                           QStringLiteral("Input past end of file"));
        }
        return lines_[next_++];
    }
    void skip() { take(); }
    // The number (from 1) of the line read last or found missing.
    int current() const { return current_; }

    double leading() { return leadingNumber(take()); }
    qint16 leadingInt16() { return toInt16(leading()); }

    double whole() {
        double value = 0.0;
        if (!parseWholeNumber(take(), value)) {
            throw AppError(ErrorNumber::TypeMismatch, QStringLiteral("Type mismatch"));
        }
        return value;
    }

    bool boolean() {
        const QString& line = take();
        const QStringView word = QStringView(line).trimmed();
        if (word.compare(u"True", Qt::CaseInsensitive) == 0) {
            return true;
        }
        if (word.compare(u"False", Qt::CaseInsensitive) == 0) {
            return false;
        }
        double value = 0.0;
        if (!parseWholeNumber(word, value)) {
            throw AppError(ErrorNumber::TypeMismatch, QStringLiteral("Type mismatch"));
        }
        return value != 0.0;
    }

  private:
    const QStringList& lines_;
    qsizetype next_ = 0;
    int current_ = 0;
};

AppError openError(const QFile& file) {
    if (!QFileInfo::exists(file.fileName())) {
        return AppError(ErrorNumber::FileNotFound, QStringLiteral("File not found"));
    }
    return AppError(
        ErrorNumber::PathFileAccessError,
        QStringLiteral("Path/File access error: %1 (%2)").arg(file.fileName(), file.errorString()));
}

FileDialogRequest configDialogRequest(const AppFolders& folders, bool save) {
    FileDialogRequest request;
    request.filter = kFilter;
    request.filterIndex = 3;
    request.initDir = folders.logs();
    request.confirmOverwrite = save;
    return request;
}

}  // namespace

QStringList configFileLines(const SettingsModel& m, bool defaultTitle) {
    QStringList out;
    out.reserve(kConfigLineCount);
    out << (defaultTitle ? kDefaultTitle : kTitle);
    out << QStringLiteral("'Graph Method") << textLine(m.GraphMethod);
    out << QStringLiteral("'Y-Axis Range") << shortNumberText(m.YAxisUpper)
        << shortNumberText(m.YAxisLower);
    out << QStringLiteral("'Samples Averaged") << shortNumberText(m.SamplesAveraged);
    out << QStringLiteral("'Slope");
    for (double v : m.Slope) {
        out << shortNumberText(v);
    }
    out << QStringLiteral("'Offset");
    for (double v : m.Offset) {
        out << shortNumberText(v);
    }
    out << QStringLiteral("'Units");
    for (const QString& u : m.Units) {
        out << textLine(u);
    }
    out << QStringLiteral("'Peak Display");
    for (qint16 v : m.PeakDisplay) {
        out << shortNumberText(v);
    }
    out << QStringLiteral("'Active Channels");
    for (qint16 v : m.ChannelActive) {
        out << shortNumberText(v);
    }
    out << QStringLiteral("'Write File Method") << textLine(m.WriteFileMethod);
    for (int c = 0; c < kChannelCount; ++c) {
        out << polynomialComment(c) << printFormText(m.Polynomial[c].PolyOrder);
        for (double a : m.Polynomial[c].PolyCoeff) {
            out << printFormText(a);
        }
    }
    out << QStringLiteral("'Plot Colors");
    for (ColourValue v : m.PlotColor) {
        out << shortNumberText(v);
    }
    out << shortNumberText(m.GraphBackColor);
    out << QStringLiteral("'Linear or Polynomial");
    for (bool v : m.CalibrationMode) {
        out << boolWord(v);
    }
    return out;
}

namespace {
void applyLines(LineCursor& in, SettingsModel& m);
}  // namespace

void applyConfigLines(const QStringList& lines, SettingsModel& m, int* failedLine) {
    LineCursor in(lines);
    try {
        applyLines(in, m);
    } catch (const AppError&) {
        if (failedLine) {
            *failedLine = in.current();
        }
        throw;
    }
}

namespace {
void applyLines(LineCursor& in, SettingsModel& m) {
    in.skip();  // title
    in.skip();
    m.GraphMethod = in.take();
    in.skip();
    m.YAxisUpper = in.leading();
    m.YAxisLower = in.leading();
    in.skip();
    m.SamplesAveraged = in.leadingInt16();
    in.skip();
    for (double& v : m.Slope) {
        v = in.leading();
    }
    in.skip();
    for (double& v : m.Offset) {
        v = in.leading();
    }
    in.skip();
    for (QString& u : m.Units) {
        u = in.take();
    }
    in.skip();
    for (qint16& v : m.PeakDisplay) {
        v = in.leadingInt16();
    }
    in.skip();
    for (qint16& v : m.ChannelActive) {
        v = in.leadingInt16();
    }
    in.skip();
    m.WriteFileMethod = in.take();
    for (ChannelPolynomial& p : m.Polynomial) {
        in.skip();
        p.PolyOrder = toInt16(in.whole());
        for (double& a : p.PolyCoeff) {
            a = in.whole();
        }
    }
    in.skip();
    for (ColourValue& v : m.PlotColor) {
        v = toInt32(in.whole());
    }
    m.GraphBackColor = toInt32(in.whole());
    in.skip();
    for (bool& v : m.CalibrationMode) {
        v = in.boolean();
    }
}
}  // namespace

QStringList readConfigLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw openError(file);
    }
    return readConfigLines(file);
}

QStringList readConfigLines(QIODevice& device) {
    // Read only as far as the last line the format has: whatever follows is never looked at,
    // neither for its size nor for its encoding.
    constexpr qint64 kBlock = 64 * 1024;
    QByteArray buf;
    bool atEnd = false;
    auto more = [&]() {
        if (atEnd) {
            return false;
        }
        const QByteArray block = device.read(kBlock);
        if (block.isEmpty()) {
            if (!device.atEnd()) {
                throw AppError(
                    ErrorNumber::PathFileAccessError,
                    QStringLiteral("Path/File access error: %1").arg(device.errorString()));
            }
            atEnd = true;
            return false;
        }
        buf += block;
        return true;
    };
    qsizetype pos = 0;
    int complete = 0;
    while (complete < kConfigLineCount) {
        if (pos >= buf.size() && !more()) {
            break;
        }
        const char c = buf.at(pos++);
        if (c == '\n') {
            ++complete;
        } else if (c == '\r') {
            if (pos >= buf.size()) {
                more();
            }
            if (pos < buf.size() && buf.at(pos) == '\n') {
                ++pos;
            }
            ++complete;
        }
    }
    buf.truncate(pos);

    const QString text = decodeText(buf);
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n') {
            continue;
        }
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
            ++i;
        }
        start = i + 1;
    }
    if (start < text.size()) {
        lines.append(text.mid(start));
    }
    return lines;
}

void readConfigFile(const QString& path, SettingsModel& model) {
    applyConfigLines(readConfigLines(path), model);
}

void writeConfigFile(const QString& path, const SettingsModel& model, bool defaultTitle) {
    writeFileAtomically(path, encodeLines(configFileLines(model, defaultTitle)));
}

ConfigFile::ConfigFile(SettingsModel& settings, const AppFolders& folders, ErrorHandler& errors,
                       MessageBox& messages, FileDialog& dialog)
    : settings_(settings),
      folders_(folders),
      errors_(errors),
      messages_(messages),
      dialog_(dialog) {}

void ConfigFile::GetConfigurationFile() {
    const QFileInfo info(folders_.defaultConfig());
    if (!info.exists() || info.isDir()) {
        messages_.showOk(QStringLiteral("No default configuration file found!"));
        return;
    }
    try {
        readConfigFile(info.filePath(), settings_);
    } catch (const AppError& e) {
        errors_.SimpleErrorHandler(e.number, QStringLiteral("GetConfigurationFile"),
                                   QStringLiteral("General"), e.description);
    }
}

void ConfigFile::WriteToDefaultConfigFile() {
    try {
        writeConfigFile(folders_.defaultConfig(), settings_, true);
    } catch (const AppError& e) {
        errors_.SimpleErrorHandler(e.number, QStringLiteral("WriteToDefaultConfigFile"),
                                   QStringLiteral("Configuration"), e.description);
    }
}

QString ConfigFile::SaveConfigurationFile() {
    const QString path = dialog_.showSave(configDialogRequest(folders_, true));
    if (path.isEmpty()) {
        return {};
    }
    try {
        writeConfigFile(path, settings_, false);
    } catch (const AppError&) {
        return {};
    }
    return path;
}

QString ConfigFile::OpenConfigurationFile() {
    const QString path = dialog_.showOpen(configDialogRequest(folders_, false));
    if (path.isEmpty()) {
        return {};
    }
    try {
        readConfigFile(path, settings_);
    } catch (const AppError&) {
        return {};
    }
    return path;
}

void ConfigFile::TestForFileFolders() {
    try {
        folders_.createFolders();
    } catch (const AppError& e) {
        errors_.SimpleErrorHandler(e.number, QStringLiteral("TestForFileFolders"),
                                   QStringLiteral("General"), e.description);
    }
}

}  // namespace quorlin
