#include "ui/widgets/SpinValueText.h"

#include "base/IntText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace zuneigo {

namespace {

QChar DecimalPoint(const QLocale& locale)
{
    const QString point = locale.decimalPoint();
    return point.isEmpty() ? QChar('.') : point.front();
}

// Adds one unit in the last place of a string of decimal digits; true when it carried
// out of the first digit.
bool IncrementDigits(std::string& digits)
{
    for (auto i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return false;
        }
        digits[i] = '0';
    }
    return true;
}

// Fixed-point text of |value| from its 15 significant digits, rounded half away from zero
// at `decimals` places, with '.' as the point; scientific when the whole part alone has
// more than 15 digits.
std::string FixedDigits(long double magnitude, int decimals)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14Le", magnitude);
    std::string digits = std::string(1, buffer[0]) + std::string(buffer + 2, 14);
    const int exponent = std::atoi(buffer + 17);
    if (exponent >= 15) {
        std::string mantissa = digits.substr(1);
        while (!mantissa.empty() && mantissa.back() == '0')
            mantissa.pop_back();
        return digits.substr(0, 1) + (mantissa.empty() ? "" : "." + mantissa) + "E" + std::to_string(exponent);
    }
    std::size_t point = 1;
    if (exponent >= 0)
        point = static_cast<std::size_t>(exponent) + 1;
    else
        digits.insert(0, static_cast<std::size_t>(-exponent), '0');
    const std::size_t keep = point + static_cast<std::size_t>(decimals);
    if (digits.size() < keep) {
        digits.append(keep - digits.size(), '0');
    } else if (digits.size() > keep) {
        const bool up = digits[keep] >= '5';
        digits.resize(keep);
        if (up && IncrementDigits(digits)) {
            digits.insert(0, 1, '1');
            ++point;
        }
    }
    std::string whole = digits.substr(0, point);
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size() - 1));
    return decimals > 0 ? whole + "." + digits.substr(point) : whole;
}

QString FloatText(long double value, int decimals, const QLocale& locale)
{
    std::string text = FixedDigits(std::fabs(value), std::clamp(decimals, 0, 18));
    if (value < 0 && text.find_first_of("123456789") != std::string::npos)
        text.insert(0, 1, '-');
    QString out = QString::fromStdString(text);
    out.replace(QChar('.'), DecimalPoint(locale));
    return out;
}

} // namespace

long double RoundHalfEven(long double value)
{
    long double whole = std::floor(value);
    const long double rest = value - whole;
    if (rest > 0.5L || (rest == 0.5L && std::fmod(whole, 2.0L) != 0))
        whole += 1;
    return whole == 0 ? 0 : whole;
}

std::optional<long double> ParseSpinText(const QString& text, TValueType type, const QLocale& locale)
{
    if (type == vtFloat) {
        QLocale strict = locale;
        strict.setNumberOptions(locale.numberOptions() | QLocale::RejectGroupSeparator);
        bool ok = false;
        const double value = strict.toDouble(text, &ok);
        if (!ok || !std::isfinite(value))
            return std::nullopt;
        return value;
    }
    std::string bytes = text.toStdString();
    if (type == vtHex) {
        // The text is read as "$" followed by it; a leading sign stays in front of the "$"
        // so that the negative numbers this field writes read back.
        std::size_t i = bytes.find_first_not_of(' ');
        if (i != std::string::npos && (bytes[i] == '+' || bytes[i] == '-'))
            ++i;
        bytes.insert(std::min(i, bytes.size()), 1, '$');
    }
    if (const auto value = TryStrToInt(bytes))
        return *value;
    return std::nullopt;
}

QString FormatSpinValue(long double value, TValueType type, int decimals, const QLocale& locale)
{
    if (!std::isfinite(value))
        value = 0;
    if (type == vtFloat)
        return FloatText(value, decimals, locale);
    // Beyond what a 64-bit integer holds no whole number converts back anyway.
    const long double limit = 9.2e18L;
    const long double whole = std::clamp(RoundHalfEven(value), -limit, limit);
    const auto number = static_cast<long long>(whole);
    if (type == vtHex) {
        const QString digits = QString::number(static_cast<unsigned long long>(number < 0 ? -number : number), 16).toUpper();
        return number < 0 ? "-" + digits : digits;
    }
    return QString::number(number);
}

bool SpinCharAllowed(QChar c, TValueType type, const QString& text, const QLocale& locale)
{
    if (c == '+' || c == '-' || (c >= '0' && c <= '9'))
        return true;
    if (type == vtHex)
        return (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    if (type == vtFloat) {
        if (c == DecimalPoint(locale))
            return !text.contains(c);
        if (c == 'E' || c == 'e')
            return !text.toUpper().contains('E');
    }
    return false;
}

} // namespace zuneigo
