#pragma once

#include <QLocale>
#include <QString>

#include <optional>

namespace vimbo {

/// A decimal number in the user's locale, exponent accepted; group separators
/// are refused so that "474,5" is never read as 4745. nullopt for anything else.
std::optional<double> parseLocaleNumber(const QString& text, const QLocale& locale = QLocale());

}  // namespace vimbo
