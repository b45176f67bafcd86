#include "DisplayFormat.h"

#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>

namespace vimbo::mib {

namespace {

// value = 0.digits x 10^pointPosition, digits without leading zeros.
struct Decimal {
    bool negative = false;
    std::string digits;
    int pointPosition = 0;
};

Decimal shortestDecimal(double value)
{
    std::array<char, 64> buffer{};
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), std::fabs(value), std::chars_format::scientific);
    const std::string text(buffer.data(), result.ptr);  // d.ddde+XX
    Decimal decimal;
    decimal.negative = std::signbit(value);
    const auto e = text.find('e');
    for (std::size_t i = 0; i < e; ++i)
        if (text[i] != '.')
            decimal.digits += text[i];
    decimal.pointPosition = std::stoi(text.substr(e + 1)) + 1;
    return decimal;
}

// Keeps the first `keep` digits, rounding half away from zero; a carry out
// of the first digit moves the point.
void roundToDigits(Decimal& decimal, int keep)
{
    if (keep >= static_cast<int>(decimal.digits.size()))
        return;
    if (keep < 0) {
        decimal.digits.clear();
        return;
    }
    const bool up = decimal.digits[static_cast<std::size_t>(keep)] >= '5';
    decimal.digits.resize(static_cast<std::size_t>(keep));
    if (!up)
        return;
    int i = keep - 1;
    for (; i >= 0; --i) {
        if (decimal.digits[static_cast<std::size_t>(i)] != '9') {
            ++decimal.digits[static_cast<std::size_t>(i)];
            break;
        }
        decimal.digits[static_cast<std::size_t>(i)] = '0';
    }
    if (i < 0) {
        decimal.digits.insert(decimal.digits.begin(), '1');
        ++decimal.pointPosition;
    }
}

bool isZero(const Decimal& decimal) { return decimal.digits.find_first_not_of('0') == std::string::npos; }

char digitAt(const Decimal& decimal, int index)
{
    if (index < 0 || index >= static_cast<int>(decimal.digits.size()))
        return '0';
    return decimal.digits[static_cast<std::size_t>(index)];
}

std::optional<QString> nonFiniteText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity");
    return std::nullopt;
}

}  // namespace

QString formatFixed2(double value, const QLocale& locale)
{
    if (auto text = nonFiniteText(value))
        return *text;
    Decimal decimal = shortestDecimal(value);
    roundToDigits(decimal, decimal.pointPosition + 2);
    std::string whole;
    for (int i = 0; i < decimal.pointPosition; ++i)
        whole += digitAt(decimal, i);
    if (whole.empty())
        whole.push_back('0');
    std::string fraction{digitAt(decimal, decimal.pointPosition), digitAt(decimal, decimal.pointPosition + 1)};
    QString text = (decimal.negative && !isZero(decimal)) ? QStringLiteral("-") : QString();
    return text + QString::fromStdString(whole) + locale.decimalPoint() + QString::fromStdString(fraction);
}

QString formatMHz(double mhz, const QLocale& locale) { return formatFixed2(mhz, locale) + QStringLiteral("MHz"); }

QString formatScientific(double value, const QLocale& locale)
{
    if (auto text = nonFiniteText(value))
        return *text;
    Decimal decimal = shortestDecimal(value);
    int exponent = 0;
    if (value != 0.0) {
        roundToDigits(decimal, 3);
        exponent = decimal.pointPosition - 1;
    }
    const std::string mantissa{digitAt(decimal, 0)};
    const std::string fraction{digitAt(decimal, 1), digitAt(decimal, 2)};
    const QString sign = (decimal.negative && value != 0.0) ? QStringLiteral("-") : QString();
    const QString exponentDigits = QString::number(std::abs(exponent)).rightJustified(2, QLatin1Char('0'));
    return sign + QString::fromStdString(mantissa) + locale.decimalPoint() + QString::fromStdString(fraction) +
           QLatin1Char('E') + (exponent < 0 ? QLatin1Char('-') : QLatin1Char('+')) + exponentDigits;
}

}  // namespace vimbo::mib
