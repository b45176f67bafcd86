// parseLocaleNumber on arbitrary text in several locales: never a crash,
// never an infinity or NaN, and a number it reads it reads again from the
// locale's own writing of it, where Qt can read that writing at all (its
// Arabic exponent it cannot).
#include "core/LocaleNumber.h"

#include <cmath>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const QLocale locales[] = {QLocale::c(), QLocale(QLocale::Spanish, QLocale::Spain),
                                      QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::French, QLocale::Switzerland),
                                      QLocale(QLocale::Arabic, QLocale::Egypt)};
    const QLocale& locale = locales[data[0] % std::size(locales)];
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    const auto value = vimbo::parseLocaleNumber(text, locale);
    if (!value)
        return 0;
    if (!std::isfinite(*value))
        __builtin_trap();
    static const auto readsItsOwnExponent = [](const QLocale& l) {
        return vimbo::parseLocaleNumber(l.toString(1500.0, 'e', 17), l).has_value();
    };
    if (!readsItsOwnExponent(locale))
        return 0;
    const auto again = vimbo::parseLocaleNumber(locale.toString(*value, 'e', 17), locale);
    if (!again || *again != *value)
        __builtin_trap();
    return 0;
}
