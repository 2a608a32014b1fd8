#include "common/NumberText.h"

#include "common/AppError.h"

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

// Whether a number text that from_chars found out of range is too large (rather than too
// small). from_chars leaves the value untouched then, so the decimal exponent of the first
// significant digit decides: at or above 10^0 it is an overflow.
bool tooLarge(const std::string& s) {
    long long exp10 = 0;
    const auto e = s.find_first_of("eE");
    if (e != std::string::npos) {
        const std::string ex = s.substr(e + 1);
        // Exponent digits beyond what a long long holds only make the answer clearer.
        const bool negative = !ex.empty() && ex[0] == '-';
        const auto digits = ex.find_first_of("0123456789");
        const std::string d = digits == std::string::npos ? "0" : ex.substr(digits);
        exp10 = d.size() > 15 ? 1000000000000000LL : std::stoll(d);
        if (negative) {
            exp10 = -exp10;
        }
    }
    const std::string mantissa = s.substr(0, e);
    const auto point = mantissa.find('.');
    const std::string whole = mantissa.substr(0, point);
    const auto firstWhole = whole.find_first_of("123456789");
    if (firstWhole != std::string::npos) {
        return static_cast<long long>(whole.size() - firstWhole) - 1 + exp10 >= 0;
    }
    if (point == std::string::npos) {
        return false;
    }
    const auto firstFraction = mantissa.find_first_of("123456789", point + 1);
    if (firstFraction == std::string::npos) {
        return false;
    }
    return -static_cast<long long>(firstFraction - point) + exp10 >= 0;
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n';
}

double toDoubleOrOverflow(const std::string& clean) {
    if (clean.empty()) {
        return 0.0;
    }
    double value = 0.0;
    auto res = std::from_chars(clean.data(), clean.data() + clean.size(), value);
    if (res.ec == std::errc::result_out_of_range) {
        // Underflow towards zero is harmless; only a magnitude beyond a double is an overflow.
        if (!tooLarge(clean)) {
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
        if (tooLarge(s)) {
            throw AppError(ErrorNumber::Overflow, QStringLiteral("Overflow"));
        }
        parsed = 0.0;
    } else if (res.ec != std::errc()) {
        return false;
    }
    value = parsed;
    return true;
}

}  // namespace quorlin
