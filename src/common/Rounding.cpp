#include "common/Rounding.h"

#include "common/AppError.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace quorlin {

namespace {

enum class Tie { ToEven, AwayFromZero };

// Rounds on the 15-significant-digit decimal digits of |value| and rebuilds the result
// from decimal text, so the answer is the double nearest to the decimal result.
double roundDecimal(double value, int decimals, Tie tie) {
    if (value == 0.0 || !std::isfinite(value)) {
        return value == 0.0 ? 0.0 : value;
    }
    char buf[64];
    auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
    const std::string s(buf, res.ptr);  // "d.dddddddddddddde+XX"
    const auto epos = s.find('e');
    const std::string digits = s.substr(0, 1) + s.substr(2, epos - 2);
    const int exp10 = std::stoi(s.substr(epos + 1));
    const int keep = exp10 + decimals + 1;  // digits whose place is at or above 10^-decimals
    if (keep >= static_cast<int>(digits.size())) {
        return value;
    }
    if (keep < 0) {
        return 0.0;
    }
    long long kept = keep == 0 ? 0 : std::stoll(digits.substr(0, static_cast<size_t>(keep)));
    const std::string rest = digits.substr(static_cast<size_t>(keep));
    bool up = false;
    if (rest[0] > '5') {
        up = true;
    } else if (rest[0] == '5') {
        const bool exactHalf = rest.find_first_not_of('0', 1) == std::string::npos;
        if (!exactHalf) {
            up = true;
        } else {
            up = tie == Tie::AwayFromZero || (kept % 2 != 0);
        }
    }
    if (up) {
        ++kept;
    }
    if (kept == 0) {
        return 0.0;
    }
    const std::string text = std::to_string(kept) + "e-" + std::to_string(decimals);
    double result = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), result);
    return value < 0 ? -result : result;
}

template <typename Int>
Int toWhole(double value) {
    const double r = std::nearbyint(value);  // default rounding mode: ties to even
    if (!std::isfinite(r) || r < static_cast<double>(std::numeric_limits<Int>::min()) ||
        r > static_cast<double>(std::numeric_limits<Int>::max())) {
        throw AppError(ErrorNumber::Overflow, QStringLiteral("Overflow"));
    }
    return static_cast<Int>(r);
}

}  // namespace

double roundHalfEven(double value, int decimals) {
    return roundDecimal(value, decimals, Tie::ToEven);
}

double roundHalfAwayFromZero(double value, int decimals) {
    return roundDecimal(value, decimals, Tie::AwayFromZero);
}

qint16 toInt16(double value) {
    return toWhole<qint16>(value);
}
qint32 toInt32(double value) {
    return toWhole<qint32>(value);
}

}  // namespace quorlin
