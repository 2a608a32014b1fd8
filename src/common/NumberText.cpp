#include "common/NumberText.h"

#include "common/AppError.h"
#include "common/Rounding.h"

#include <charconv>
#include <cmath>
#include <string>

namespace quorlin {

namespace {

// %.15g semantics, independent of the C locale that QCoreApplication installs.
std::string general15(double value) {
    if (value == 0.0 || !std::isfinite(value)) {
        return "0";
    }
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    std::string s(buf, res.ptr);
    for (char& c : s) {
        if (c == 'e') {
            c = 'E';
        }
    }
    return s;
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n';
}

// The power of ten of the leading digit of a decimal text ("123" 2, "0.05" -2, "1e400" 400),
// saturating; only called for a text with a non-zero digit.
long long decimalMagnitude(const std::string& text) {
    const auto e = text.find_first_of("eE");
    const std::string mantissa = text.substr(0, e);
    long long exponent = 0;
    if (e != std::string::npos) {
        size_t i = e + 1;
        const bool negative = i < text.size() && text[i] == '-';
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
            ++i;
        }
        for (; i < text.size() && exponent < 1'000'000'000LL; ++i) {
            exponent = exponent * 10 + (text[i] - '0');
        }
        exponent = negative ? -exponent : exponent;
    }
    const auto point = mantissa.find('.');
    const size_t intLength = point == std::string::npos ? mantissa.size() : point;
    long long firstNonZero = -1;
    long long digitIndex = 0;  // counts digits only
    size_t intDigits = 0;
    for (size_t i = 0; i < mantissa.size(); ++i) {
        const char c = mantissa[i];
        if (c < '0' || c > '9') {
            continue;
        }
        if (i < intLength) {
            ++intDigits;
        }
        if (c != '0' && firstNonZero < 0) {
            firstNonZero = digitIndex;
        }
        ++digitIndex;
    }
    return static_cast<long long>(intDigits) - 1 - firstNonZero + exponent;
}

// Parses a plain decimal text ("-12.5e3"). A magnitude beyond a double throws Overflow; one
// too small for it is 0. (from_chars leaves the value untouched when out of range, so the
// direction comes from the text.)
double toDoubleOrOverflow(const std::string& clean) {
    if (clean.empty()) {
        return 0.0;
    }
    double value = 0.0;
    auto res = std::from_chars(clean.data(), clean.data() + clean.size(), value);
    if (res.ec == std::errc::result_out_of_range) {
        if (decimalMagnitude(clean) < 0) {
            return 0.0;
        }
        throw AppError(ErrorNumber::Overflow, QStringLiteral("Overflow"));
    }
    if (res.ec != std::errc()) {
        return 0.0;
    }
    return value;
}

}  // namespace

QString displayNumberText(double value) {
    return QString::fromStdString(general15(value));
}

QString stepNumberText(double value, double step) {
    if (!(step > 0) || !std::isfinite(step) || !std::isfinite(value)) {
        return displayNumberText(value);
    }
    // The step's last significant decimal place: "2.5e-07" has its last digit at 10^-8.
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, step, std::chars_format::scientific, 14);
    const std::string s(buf, res.ptr);
    const auto e = s.find('e');
    const std::string mantissa = s.substr(0, e);
    const auto lastDigit = mantissa.find_last_not_of('0');
    const int fraction = lastDigit <= 1 ? 0 : static_cast<int>(lastDigit) - 1;
    const int decimals = fraction - std::stoi(s.substr(e + 1));
    const double multiple = step * std::round(value / step);
    return displayNumberText(decimals > 0 ? roundHalfAwayFromZero(multiple, decimals) : multiple);
}

QString shortNumberText(double value) {
    std::string s = general15(value);
    if (s.rfind("0.", 0) == 0) {
        s.erase(0, 1);
    } else if (s.rfind("-0.", 0) == 0) {
        s.erase(1, 1);
    }
    return QString::fromStdString(s);
}

QString printFormText(double value) {
    const QString text = shortNumberText(value);
    return text.startsWith(u'-') ? text + u' ' : u' ' + text + u' ';
}

double leadingNumber(QStringView text) {
    // Collect the characters of the number, skipping blanks wherever they stand.
    std::string clean;
    enum class Stage { Sign, Integer, Fraction, ExponentSign, Exponent } stage = Stage::Sign;
    bool mantissaDigits = false;
    std::string exponentPart;
    for (QChar c : text) {
        if (isBlank(c)) {
            continue;
        }
        const char ch = static_cast<char>(c.unicode() < 128 ? c.unicode() : 0);
        const bool digit = ch >= '0' && ch <= '9';
        if (stage == Stage::Sign && (ch == '+' || ch == '-')) {
            if (ch == '-') {
                clean += '-';
            }
            stage = Stage::Integer;
            continue;
        }
        if (stage == Stage::Sign) {
            stage = Stage::Integer;
        }
        if (stage == Stage::Integer || stage == Stage::Fraction) {
            if (digit) {
                clean += ch;
                mantissaDigits = true;
                continue;
            }
            if (ch == '.' && stage == Stage::Integer) {
                clean += '.';
                stage = Stage::Fraction;
                continue;
            }
            if ((ch == 'E' || ch == 'e' || ch == 'D' || ch == 'd') && mantissaDigits) {
                stage = Stage::ExponentSign;
                continue;
            }
            break;
        }
        if (stage == Stage::ExponentSign && (ch == '+' || ch == '-')) {
            exponentPart += ch;
            stage = Stage::Exponent;
            continue;
        }
        if (stage == Stage::ExponentSign || stage == Stage::Exponent) {
            if (digit) {
                exponentPart += ch;
                stage = Stage::Exponent;
                continue;
            }
            break;
        }
    }
    if (!mantissaDigits) {
        return 0.0;
    }
    if (clean.back() == '.') {
        clean.pop_back();
    }
    // An exponent counts only once it has a digit ("1e" and "1e+" read as 1).
    const bool exponentHasDigit = exponentPart.find_first_of("0123456789") != std::string::npos;
    if (exponentHasDigit) {
        clean += 'e';
        clean += exponentPart;
    }
    if (clean == "-" || clean.empty()) {
        return 0.0;
    }
    return toDoubleOrOverflow(clean);
}

bool parseWholeNumber(QStringView text, double& value) {
    QStringView trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return false;
    }
    std::string s;
    s.reserve(static_cast<size_t>(trimmed.size()));
    for (QChar c : trimmed) {
        const char16_t u = c.unicode();
        const bool allowed =
            (u >= '0' && u <= '9') || u == '.' || u == '-' || u == '+' || u == 'e' || u == 'E';
        if (!allowed) {
            return false;
        }
        s += static_cast<char>(u);
    }
    if (s.front() == '+') {
        s.erase(0, 1);
        if (s.empty() || s.front() == '-' || s.front() == '+') {
            return false;
        }
    }
    double parsed = 0.0;
    auto res = std::from_chars(s.data(), s.data() + s.size(), parsed);
    if (res.ptr != s.data() + s.size()) {
        return false;
    }
    if (res.ec == std::errc::result_out_of_range) {
        parsed = toDoubleOrOverflow(s);
    } else if (res.ec != std::errc()) {
        return false;
    }
    value = parsed;
    return true;
}

bool parseFieldNumber(std::string_view text, double& value) {
    // from_chars would also take "inf" and "nan"; a field starts with a digit or a point.
    const std::size_t first = !text.empty() && text.front() == '-' ? 1 : 0;
    if (first >= text.size() ||
        !(text[first] == '.' || (text[first] >= '0' && text[first] <= '9'))) {
        return false;
    }
    double parsed = 0.0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size() || !std::isfinite(parsed)) {
        return false;
    }
    value = parsed;
    return true;
}

QString byteSizeText(qint64 bytes) {
    if (bytes < 1000) {
        return QStringLiteral("%1 B").arg(bytes);
    }
    static const char* const kUnits[] = {"kB", "MB", "GB", "TB"};
    double v = static_cast<double>(bytes) / 1000.0;
    int unit = 0;
    // Past 999.95 the one-decimal text would read "1000.0": move up a unit instead.
    while (v >= 999.95 && unit < 3) {
        v /= 1000.0;
        ++unit;
    }
    return QString::number(v, 'f', 1) + u' ' + QLatin1String(kUnits[unit]);
}

}  // namespace quorlin
