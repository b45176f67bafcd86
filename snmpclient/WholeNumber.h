#pragma once

#include <charconv>
#include <optional>
#include <string_view>

namespace zemtra {

/// The whole text as a decimal number of type Int: no sign for an unsigned
/// type, no blanks, no "+", nothing after it; nullopt when it does not fit.
template <typename Int>
std::optional<Int> parseWholeNumber(std::string_view text)
{
    Int value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

}  // namespace zemtra
