#pragma once

#include <QLocale>
#include <QString>

namespace vimbo::mib {

// Decimal rounding of the shortest decimal form of the number, halves away
// from zero, so 0.125 shows as 0.13 and 2.675 as 2.68, as an operator expects.

/// "Scientific": two decimals, "E", a sign and at least two exponent digits (1.00E-07).
QString formatScientific(double value, const QLocale& locale = QLocale());

/// "0.00": two decimals, no group separators (52.30).
QString formatFixed2(double value, const QLocale& locale = QLocale());

/// "0.00MHz" (578.00MHz).
QString formatMHz(double mhz, const QLocale& locale = QLocale());

}  // namespace vimbo::mib
