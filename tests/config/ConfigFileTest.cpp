#include "config/ConfigFile.h"

#include "common/AppError.h"
#include "common/TextFile.h"
#include "platform/AppFolders.h"
#include "support/Fakes.h"
#include "support/FileSizeLimit.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QLocale>

#include <gtest/gtest.h>

#include <unistd.h>

#include <charconv>
#include <clocale>
#include <map>
#include <random>
#include <string>

using namespace quorlin;
using namespace quorlin::test;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// A model with a distinct value in every persistent field.
SettingsModel knownModel() {
    SettingsModel m;
    m.GraphMethod = QStringLiteral("Continuous");
    m.YAxisUpper = 0.5;
    m.YAxisLower = -0.25;
    m.SamplesAveraged = 10;
    for (int c = 0; c < kChannelCount; ++c) {
        m.Slope[c] = 1 + c;
        m.Offset[c] = -c * 0.5;
        m.Units[c] = QStringLiteral("U%1").arg(c);
        m.PeakDisplay[c] = static_cast<qint16>(c % 3);
        m.ChannelActive[c] = static_cast<qint16>(c % 2);
        m.Polynomial[c].PolyOrder = static_cast<qint16>(c + 1);
        for (int a = 0; a < kPolyCoeffCount; ++a) {
            m.Polynomial[c].PolyCoeff[a] = a == 0 ? 1.5 : (a == 1 ? -2 : 0);
        }
        m.PlotColor[c] = 255 << c;
        m.CalibrationMode[c] = c >= 4;
    }
    m.WriteFileMethod = QStringLiteral("Scale");
    m.GraphBackColor = 16777215;
    return m;
}

// The 15-significant-digit value a number must come back as.
double to15Digits(double v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
    double out = 0;
    std::from_chars(buf, r.ptr, out);
    return out;
}

void expectSameModel(const SettingsModel& want, const SettingsModel& got) {
    EXPECT_EQ(got.GraphMethod, want.GraphMethod);
    EXPECT_EQ(got.YAxisUpper, to15Digits(want.YAxisUpper));
    EXPECT_EQ(got.YAxisLower, to15Digits(want.YAxisLower));
    EXPECT_EQ(got.SamplesAveraged, want.SamplesAveraged);
    EXPECT_EQ(got.WriteFileMethod, want.WriteFileMethod);
    EXPECT_EQ(got.GraphBackColor, want.GraphBackColor);
    for (int c = 0; c < kChannelCount; ++c) {
        EXPECT_EQ(got.Slope[c], to15Digits(want.Slope[c])) << c;
        EXPECT_EQ(got.Offset[c], to15Digits(want.Offset[c])) << c;
        EXPECT_EQ(got.Units[c], want.Units[c]) << c;
        EXPECT_EQ(got.PeakDisplay[c], want.PeakDisplay[c]) << c;
        EXPECT_EQ(got.ChannelActive[c], want.ChannelActive[c]) << c;
        EXPECT_EQ(got.Polynomial[c].PolyOrder, want.Polynomial[c].PolyOrder) << c;
        for (int a = 0; a < kPolyCoeffCount; ++a) {
            EXPECT_EQ(got.Polynomial[c].PolyCoeff[a], to15Digits(want.Polynomial[c].PolyCoeff[a]))
                << c << " A" << a;
        }
        EXPECT_EQ(got.PlotColor[c], want.PlotColor[c]) << c;
        EXPECT_EQ(got.CalibrationMode[c], want.CalibrationMode[c]) << c;
    }
}

class Random {
  public:
    explicit Random(unsigned seed) : gen_(seed) {}
    int integer(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen_); }
    double number() {
        switch (integer(0, 4)) {
            case 0:
                return integer(-1000, 1000);
            case 1:
                return std::uniform_real_distribution<double>(-1, 1)(gen_);
            case 2:  // exponent forms, both very large and very small
                return std::uniform_real_distribution<double>(-9.99, 9.99)(gen_) *
                       std::pow(10.0, integer(-300, 300));
            case 3:
                return std::uniform_real_distribution<double>(-1e6, 1e6)(gen_);
            default:
                return 0.0;
        }
    }
    QString text() {
        static const QString pool = QStringLiteral("abcXYZ019 ,.'\"-+\tµ°éЖ€");
        QString s;
        const int n = integer(0, 12);
        for (int i = 0; i < n; ++i) {
            s += pool.at(integer(0, static_cast<int>(pool.size()) - 1));
        }
        return s;
    }
    SettingsModel model() {
        SettingsModel m;
        m.GraphMethod = text();
        m.YAxisUpper = number();
        m.YAxisLower = number();
        m.SamplesAveraged = static_cast<qint16>(integer(-32768, 32767));
        m.WriteFileMethod = text();
        m.GraphBackColor = integer(INT32_MIN, INT32_MAX);
        for (int c = 0; c < kChannelCount; ++c) {
            m.Slope[c] = number();
            m.Offset[c] = number();
            m.Units[c] = text();
            m.PeakDisplay[c] = static_cast<qint16>(integer(-32768, 32767));
            m.ChannelActive[c] = static_cast<qint16>(integer(-32768, 32767));
            m.Polynomial[c].PolyOrder = static_cast<qint16>(integer(-32768, 32767));
            for (double& a : m.Polynomial[c].PolyCoeff) {
                a = number();
            }
            m.PlotColor[c] = integer(INT32_MIN, INT32_MAX);
            m.CalibrationMode[c] = integer(0, 1) == 1;
        }
        return m;
    }

  private:
    std::mt19937 gen_;
};

class ConfigFileTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(QDir(temp.path()).mkdir(QStringLiteral("Logs"))); }
    QStringList validLines() { return configFileLines(knownModel(), false); }
    void writeDefault(const QStringList& lines) {
        writeBytes(folders.defaultConfig(), encodeLines(lines));
    }

    TempFolder temp;
    AppFolders folders{temp.path()};
    SettingsModel model;
    RecordingErrorHandler errors;
    RecordingMessageBox messages;
    FakeFileDialog dialog;
    ConfigFile config{model, folders, errors, messages, dialog};
};

// Reads lines into a model and returns the error number, 0 when the read went through.
int applyNumber(const QStringList& lines, SettingsModel& m) {
    try {
        applyConfigLines(lines, m);
    } catch (const AppError& e) {
        return e.number;
    }
    return 0;
}

}  // namespace

TEST_F(ConfigFileTest, saveThenOpen_reproducesEveryPersistentField) {
    Random random(20261207);
    for (int i = 0; i < 300; ++i) {
        const SettingsModel want = random.model();
        SettingsModel got;
        ASSERT_EQ(applyNumber(configFileLines(want, i % 2 == 0), got), 0) << i;
        expectSameModel(want, got);
        if (HasFailure()) {
            FAIL() << "iteration " << i;
        }
    }
    // And once through the file dialogs and the disk.
    model = random.model();
    const SettingsModel want = model;
    const QString path = temp.file(QStringLiteral("saved.cfg"));
    dialog.answers = {path, path};
    EXPECT_EQ(config.SaveConfigurationFile(), path);
    model = SettingsModel{};
    EXPECT_EQ(config.OpenConfigurationFile(), path);
    expectSameModel(want, model);
    EXPECT_TRUE(errors.reports.empty());
    EXPECT_TRUE(messages.all.isEmpty());
}

TEST_F(ConfigFileTest, savedFile_hasTheFixedLayout) {
    const QString path = temp.file(QStringLiteral("layout.cfg"));
    model = knownModel();
    dialog.answers = {path};
    ASSERT_EQ(config.SaveConfigurationFile(), path);
    config.WriteToDefaultConfigFile();
    const QByteArray saved = readAll(path);
    const QByteArray byDefault = readAll(folders.defaultConfig());
    ASSERT_TRUE(saved.endsWith("\r\n"));
    const QList<QByteArray> lines = saved.chopped(2).split('\n');
    ASSERT_EQ(lines.size(), 178);
    for (const QByteArray& line : lines.mid(0, 177)) {
        EXPECT_TRUE(line.endsWith('\r'));
    }
    // Line number -> text, for every comment and one value of each encoding.
    const std::map<int, QString> want{
        {1, "Quorlin - Data Acquisition and Display Software Configuration File"},
        {2, "'Graph Method"},
        {3, "Continuous"},
        {4, "'Y-Axis Range"},
        {5, ".5"},
        {6, "-.25"},
        {7, "'Samples Averaged"},
        {8, "10"},
        {9, "'Slope"},
        {10, "1"},
        {17, "8"},
        {18, "'Offset"},
        {20, "-.5"},
        {27, "'Units"},
        {28, "U0"},
        {35, "U7"},
        {36, "'Peak Display"},
        {39, "2"},
        {45, "'Active Channels"},
        {47, "1"},
        {54, "'Write File Method"},
        {55, "Scale"},
        {56, "'Polynomial Data CH0"},
        {57, " 1 "},
        {58, " 1.5 "},
        {59, "-2 "},
        {68, " 0 "},
        {69, "'Polynomial Settings CH1"},
        {70, " 2 "},
        {82, "'Polynomial Settings CH2"},
        {95, "'Polynomial Settings CH3"},
        {108, "'Polynomial Settings CH4"},
        {121, "'Polynomial Settings CH5"},
        {134, "'Polynomial Settings CH6"},
        {147, "'Polynomial Settings CH7"},
        {148, " 8 "},
        {159, " 0 "},
        {160, "'Plot Colors"},
        {161, "255"},
        {168, "32640"},
        {169, "16777215"},
        {170, "'Linear or Polynomial"},
        {171, "False"},
        {174, "False"},
        {175, "True"},
        {178, "True"}};
    for (const auto& [number, text] : want) {
        EXPECT_EQ(QString::fromUtf8(lines[number - 1]).remove(u'\r'), text) << number;
    }
    // The default file differs in its title only.
    EXPECT_EQ(byDefault.mid(byDefault.indexOf('\n')), saved.mid(saved.indexOf('\n')));
    EXPECT_TRUE(byDefault.startsWith(
        "Quorlin - Data Acquisition and Display Software DEFAULT Configuration File\r\n"));
}

TEST_F(ConfigFileTest, numbersAreWrittenTheSameInAnyLocale) {
    SettingsModel m = knownModel();
    m.YAxisUpper = 1234567.125;
    m.Polynomial[3].PolyCoeff[4] = -0.0000123;
    const QByteArray plain = encodeLines(configFileLines(m, false));
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const std::string cBefore = std::setlocale(LC_NUMERIC, nullptr);
    const bool german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr ||
                        std::setlocale(LC_NUMERIC, "de_DE") != nullptr;
    const QByteArray localised = encodeLines(configFileLines(m, false));
    SettingsModel back;
    const int readResult = applyNumber(configFileLines(m, false), back);
    std::setlocale(LC_NUMERIC, cBefore.c_str());
    QLocale::setDefault(before);

    EXPECT_EQ(localised, plain) << "C library German locale active: " << german;
    EXPECT_TRUE(plain.contains("1234567.125\r\n"));
    EXPECT_TRUE(plain.contains("-1.23E-05 \r\n"));
    EXPECT_EQ(readResult, 0);
    EXPECT_EQ(back.YAxisUpper, 1234567.125);
}

TEST_F(ConfigFileTest, failedRead_keepsWhatWasReadBefore) {
    // 177 lines: fails on the last mode with everything before it in the model.
    SettingsModel full = knownModel();
    full.CalibrationMode.fill(true);
    QStringList lines = configFileLines(full, true);
    lines.removeLast();
    writeDefault(lines);
    config.GetConfigurationFile();
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(errors.reports[0].number, ErrorNumber::InputPastEndOfFile);
    EXPECT_EQ(errors.reports[0].source, "GetConfigurationFile");
    EXPECT_EQ(errors.reports[0].screen, "General");
    EXPECT_EQ(errors.reports[0].description, "Input past end of file");
    for (int c = 0; c < 7; ++c) {
        EXPECT_TRUE(model.CalibrationMode[c]) << c;
    }
    EXPECT_FALSE(model.CalibrationMode[7]);
    EXPECT_EQ(model.GraphBackColor, 16777215);

    // Letters for a coefficient stop the read there.
    model = SettingsModel{};
    model.Polynomial[0].PolyCoeff[1] = 98;
    model.Polynomial[1].PolyOrder = 97;
    lines = validLines();
    lines[58 - 1] = QStringLiteral("abc");  // A0 of CH0
    EXPECT_EQ(applyNumber(lines, model), ErrorNumber::TypeMismatch);
    EXPECT_EQ(model.Polynomial[0].PolyOrder, 1);
    EXPECT_EQ(model.Polynomial[0].PolyCoeff[1], 98);
    EXPECT_EQ(model.Polynomial[1].PolyOrder, 97);
}

TEST_F(ConfigFileTest, valueLines_followTheirFieldsReadingRules) {
    const QStringList base = validLines();
    auto with = [&](int lineNumber, const QString& text) {
        QStringList l = base;
        l[lineNumber - 1] = text;
        return l;
    };
    SettingsModel m;
    // Slope, Y axis: the leading number, blanks ignored, letters give 0.
    EXPECT_EQ(applyNumber(with(10, QStringLiteral("volts")), m), 0);
    EXPECT_EQ(m.Slope[0], 0.0);
    EXPECT_EQ(applyNumber(with(5, QStringLiteral(" - 1 2.5e1x")), m), 0);
    EXPECT_EQ(m.YAxisUpper, -125.0);
    // Whole-number settings: ties to the even neighbour.
    EXPECT_EQ(applyNumber(with(8, QStringLiteral("2.5")), m), 0);
    EXPECT_EQ(m.SamplesAveraged, 2);
    EXPECT_EQ(applyNumber(with(8, QStringLiteral("3.5")), m), 0);
    EXPECT_EQ(m.SamplesAveraged, 4);
    EXPECT_EQ(applyNumber(with(8, QStringLiteral("70000")), m), ErrorNumber::Overflow);
    // Order and coefficients: the whole line must be a number, "." as separator.
    EXPECT_EQ(applyNumber(with(57, QStringLiteral("  7  ")), m), 0);
    EXPECT_EQ(m.Polynomial[0].PolyOrder, 7);
    EXPECT_EQ(applyNumber(with(57, QStringLiteral("40000")), m), ErrorNumber::Overflow);
    EXPECT_EQ(applyNumber(with(57, QStringLiteral("3 x")), m), ErrorNumber::TypeMismatch);
    EXPECT_EQ(applyNumber(with(59, QStringLiteral("1,5")), m), ErrorNumber::TypeMismatch);
    EXPECT_EQ(applyNumber(with(59, QString()), m), ErrorNumber::TypeMismatch);
    EXPECT_EQ(applyNumber(with(59, QStringLiteral(" -2.5E-3 ")), m), 0);
    EXPECT_EQ(m.Polynomial[0].PolyCoeff[1], -0.0025);
    // Colours: 32-bit range.
    EXPECT_EQ(applyNumber(with(161, QStringLiteral("3000000000")), m), ErrorNumber::Overflow);
    EXPECT_EQ(applyNumber(with(169, QStringLiteral("-2147483648")), m), 0);
    EXPECT_EQ(m.GraphBackColor, INT32_MIN);
    EXPECT_EQ(applyNumber(with(169, QStringLiteral("red")), m), ErrorNumber::TypeMismatch);
}

TEST_F(ConfigFileTest, calibrationMode_takesWordsInAnyCaseOrNumbers) {
    QStringList lines = validLines();
    const QStringList modes{"True", "false", "TRUE", " -1 ", "0", "2.5", "False", "true"};
    const bool want[] = {true, false, true, true, false, true, false, true};
    for (int c = 0; c < kChannelCount; ++c) {
        lines[170 + c] = modes[c];
    }
    SettingsModel m;
    ASSERT_EQ(applyNumber(lines, m), 0);
    for (int c = 0; c < kChannelCount; ++c) {
        EXPECT_EQ(m.CalibrationMode[c], want[c]) << c;
    }
    for (const char* bad : {"Yes", "", "Truee", "1x"}) {
        lines[177] = QString::fromLatin1(bad);
        EXPECT_EQ(applyNumber(lines, m), ErrorNumber::TypeMismatch) << bad;
    }
}

TEST_F(ConfigFileTest, onlyPositionsCount_titlesCommentsAndExtraLinesAreIgnored) {
    QStringList lines = validLines();
    for (int n : {1, 2, 4, 7, 9, 18, 27, 36, 45, 54, 56, 69, 82, 147, 160, 170}) {
        lines[n - 1] = QStringLiteral("anything, 12 True \xE9");
    }
    QByteArray bytes = encodeLines(lines);
    bytes += "not a number\r\n\xFF\xFE garbage that is not UTF-8\r\n";
    bytes += QByteArray(100000, 'x');
    const QString path = temp.file(QStringLiteral("odd.cfg"));
    writeBytes(path, bytes);

    readConfigFile(path, model);
    expectSameModel(knownModel(), model);

    // Line ends may be CR LF, CR or LF, and the last may be missing.
    bytes.clear();
    for (int i = 0; i < lines.size(); ++i) {
        bytes += lines[i].toUtf8() + (i % 3 == 0 ? "\r\n" : (i % 3 == 1 ? "\n" : "\r"));
    }
    bytes.chop(1);
    writeBytes(path, bytes);
    model = SettingsModel{};
    readConfigFile(path, model);
    expectSameModel(knownModel(), model);
}

TEST_F(ConfigFileTest, textNotUtf8_isReadAsWindows1252) {
    QByteArray bytes = encodeLines(validLines());
    bytes.replace("\r\nU0\r\n",
                  "\r\n\xB0"
                  "C\r\n");
    bytes.replace("\r\nU1\r\n", "\r\n\xB5m\r\n");
    bytes.replace("\r\nU2\r\n", "\r\n\x80/kg\r\n");
    const QString path = temp.file(QStringLiteral("old.cfg"));
    writeBytes(path, bytes);

    readConfigFile(path, model);
    EXPECT_EQ(model.Units[0], QString::fromUtf8("°C"));
    EXPECT_EQ(model.Units[1], QString::fromUtf8("µm"));
    EXPECT_EQ(model.Units[2], QString::fromUtf8("€/kg"));
    EXPECT_EQ(model.Units[3], "U3");
}

TEST_F(ConfigFileTest, textWithLineBreak_doesNotShiftLaterValues) {
    SettingsModel m = knownModel();
    m.Units[2] = QStringLiteral("m\r\ns");
    SettingsModel back;
    ASSERT_EQ(applyNumber(configFileLines(m, false), back), 0);
    EXPECT_EQ(back.Units[2], "m  s");
    EXPECT_EQ(back.Units[3], "U3");
    EXPECT_EQ(back.CalibrationMode, m.CalibrationMode);
}

TEST_F(ConfigFileTest, hostileFiles_failCleanly) {
    const QString path = temp.file(QStringLiteral("hostile.cfg"));
    auto readNumber = [&](const QByteArray& bytes) {
        writeBytes(path, bytes);
        SettingsModel m;
        try {
            readConfigFile(path, m);
        } catch (const AppError& e) {
            return e.number;
        }
        return 0;
    };
    EXPECT_EQ(readNumber(QByteArray()), ErrorNumber::InputPastEndOfFile);
    SettingsModel m;
    EXPECT_THROW(readConfigFile(temp.path(), m), AppError);  // a folder, not a file

    QByteArray garbage(4096, '\0');
    std::mt19937 gen(7);
    for (char& c : garbage) {
        c = static_cast<char>(gen());
    }
    EXPECT_NE(readNumber(garbage), 0);

    // A 10 MB line in a text, a leading-number and a whole-number position.
    const QStringList lines = validLines();
    for (int n : {1, 3, 10, 28, 58}) {
        QStringList l = lines;
        l[n - 1] = QString(10 * 1024 * 1024, n == 58 ? u'7' : u'x');
        const int number = readNumber(encodeLines(l));
        if (n == 58) {
            EXPECT_EQ(number, ErrorNumber::Overflow);
        } else {
            EXPECT_EQ(number, 0) << n;
        }
    }
    EXPECT_EQ(readNumber(QByteArray(10 * 1024 * 1024, '9')), ErrorNumber::InputPastEndOfFile);
}

TEST_F(ConfigFileTest, startUp_withoutDefaultFile_saysSo_withOneLoadsIt) {
    config.GetConfigurationFile();
    EXPECT_EQ(messages.okTexts, QStringList{"No default configuration file found!"});
    EXPECT_TRUE(errors.reports.empty());
    EXPECT_TRUE(model.GraphMethod.isEmpty());
    EXPECT_EQ(model.SamplesAveraged, 0);

    writeDefault(configFileLines(knownModel(), true));
    config.GetConfigurationFile();
    expectSameModel(knownModel(), model);
    EXPECT_EQ(messages.all.size(), 1);
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(ConfigFileTest, openAndSave_useTheirDialogSettingsAndFailSilently) {
    const QString bad = temp.file(QStringLiteral("bad.cfg"));
    writeBytes(bad, "only a title\r\n'Graph Method\r\nAutoScale\r\n");
    dialog.answers = {bad, QString(), temp.file(QStringLiteral("missing/x.cfg")), QString()};

    EXPECT_EQ(config.OpenConfigurationFile(), QString());
    EXPECT_EQ(model.GraphMethod, "AutoScale");  // read before the failure
    EXPECT_EQ(config.OpenConfigurationFile(), QString());
    EXPECT_EQ(config.SaveConfigurationFile(), QString());
    EXPECT_EQ(config.SaveConfigurationFile(), QString());
    EXPECT_TRUE(errors.reports.empty());
    EXPECT_TRUE(messages.all.isEmpty());

    ASSERT_EQ(dialog.requests.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        const FileDialogRequest& r = dialog.requests[i];
        EXPECT_EQ(r.filter, "All Files (*.*)|*.*|Text Files(*.txt)|*.txt|CFG Files (*.cfg)|*.cfg");
        EXPECT_EQ(r.filterIndex, 3);
        EXPECT_EQ(r.initDir, folders.logs());
        EXPECT_EQ(r.confirmOverwrite, dialog.wasSave[i]);
    }
    EXPECT_EQ(dialog.wasSave, (std::vector<bool>{false, false, true, true}));
}

TEST_F(ConfigFileTest, defaultWriteThatFails_reportsAndKeepsThePreviousFile) {
    model = knownModel();
    config.WriteToDefaultConfigFile();
    const QByteArray previous = readAll(folders.defaultConfig());
    ASSERT_EQ(previous.count('\n'), 178);

    model.GraphMethod = QStringLiteral("AutoScale");
    {
        FileSizeLimit limit(1000);
        config.WriteToDefaultConfigFile();
    }
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(errors.reports[0].source, "WriteToDefaultConfigFile");
    EXPECT_EQ(errors.reports[0].screen, "Configuration");
    EXPECT_EQ(errors.reports[0].number, ErrorNumber::DiskFull);
    EXPECT_EQ(readAll(folders.defaultConfig()), previous);

    if (geteuid() != 0) {  // root writes into read-only folders
        QFile::setPermissions(folders.logs(), QFile::ReadOwner | QFile::ExeOwner);
        config.WriteToDefaultConfigFile();
        QFile::setPermissions(folders.logs(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(errors.reports.size(), 2u);
        EXPECT_EQ(readAll(folders.defaultConfig()), previous);
    }

    QDir(folders.logs()).removeRecursively();
    config.WriteToDefaultConfigFile();
    EXPECT_EQ(errors.sources().count("WriteToDefaultConfigFile"), int(errors.reports.size()));
    EXPECT_EQ(errors.reports.back().source, "WriteToDefaultConfigFile");
}

TEST_F(ConfigFileTest, testForFileFolders_createsMissingFoldersOnly) {
    QDir(folders.logs()).removeRecursively();
    config.TestForFileFolders();
    EXPECT_TRUE(QFileInfo(folders.dataFiles()).isDir());
    EXPECT_TRUE(QFileInfo(folders.logs()).isDir());
    writeBytes(folders.logs() + "/keep.txt", "x");
    config.TestForFileFolders();
    EXPECT_TRUE(QFile::exists(folders.logs() + "/keep.txt"));
    EXPECT_TRUE(errors.reports.empty());

    // A plain file where a folder belongs, and a missing application folder, are reported.
    QDir(folders.dataFiles()).removeRecursively();
    writeBytes(folders.dataFiles(), "not a folder");
    config.TestForFileFolders();
    AppFolders gone(temp.file(QStringLiteral("no/such/app")));
    ConfigFile elsewhere(model, gone, errors, messages, dialog);
    elsewhere.TestForFileFolders();
    ASSERT_EQ(errors.reports.size(), 2u);
    for (const ReportedError& r : errors.reports) {
        EXPECT_EQ(r.source, "TestForFileFolders");
        EXPECT_EQ(r.screen, "General");
    }
    EXPECT_FALSE(QFileInfo::exists(gone.root()));
}

namespace quorlin {
namespace {

TEST(ConfigFileLines, aFailedRead_namesTheLineThatFailed) {
    const QStringList base = configFileLines(SettingsModel{}, false);
    const struct {
        int line;
        const char* text;  // null: the file ends before this line
    } cases[] = {{8, "70000"}, {59, "1,5"}, {169, "red"}, {178, "Yes"}, {178, nullptr}};
    for (const auto& c : cases) {
        QStringList lines = base.mid(0, c.text ? base.size() : c.line - 1);
        if (c.text) {
            lines[c.line - 1] = QString::fromLatin1(c.text);
        }
        SettingsModel m;
        int failed = 0;
        EXPECT_THROW(applyConfigLines(lines, m, &failed), AppError) << c.line;
        EXPECT_EQ(failed, c.line);
    }
}

}  // namespace
}  // namespace quorlin
