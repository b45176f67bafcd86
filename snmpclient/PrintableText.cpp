#include "PrintableText.h"

#include <algorithm>
#include <cstdio>

namespace zemtra {

namespace {

// Tested byte by byte rather than with isprint(), whose answer follows the locale.
bool isPrintableAscii(std::uint8_t c) { return c >= 0x20 && c <= 0x7E; }

}  // namespace

std::string octetStringText(std::span<const std::uint8_t> bytes)
{
    const bool printable = std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t c) {
        return isPrintableAscii(c) || c == '\r' || c == '\n';
    });
    if (!printable)
        return hexDump(bytes);
    return std::string(bytes.begin(), bytes.end());
}

std::string hexDump(std::span<const std::uint8_t> bytes)
{
    constexpr std::size_t kPerLine = 16;
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t start = 0; start < bytes.size(); start += kPerLine) {
        if (start != 0)
            text += '\n';
        const auto line = bytes.subspan(start, std::min(kPerLine, bytes.size() - start));
        for (std::size_t i = 0; i < kPerLine; ++i) {
            if (i < line.size()) {
                text += kDigits[line[i] >> 4];
                text += kDigits[line[i] & 0x0F];
                text += ' ';
            } else {
                text += "   ";
            }
        }
        text += ' ';
        for (const auto c : line)
            text += isPrintableAscii(c) ? static_cast<char>(c) : '.';
    }
    return text;
}

std::string ipAddressText(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() != 4)
        return octetStringText(bytes);
    return std::to_string(bytes[0]) + '.' + std::to_string(bytes[1]) + '.' + std::to_string(bytes[2]) + '.' +
           std::to_string(bytes[3]);
}

std::string counter64Text(std::uint32_t high, std::uint32_t low)
{
    if (high == 0)
        return std::to_string(low);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "0x%lX%08lX", static_cast<unsigned long>(high),
                  static_cast<unsigned long>(low));
    return buffer;
}

}  // namespace zemtra
