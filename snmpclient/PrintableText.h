#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace zemtra {

/// The bytes as text when each is printable ASCII, CR or LF; otherwise hexDump.
std::string octetStringText(std::span<const std::uint8_t> bytes);

/// 16 bytes a line: uppercase hex pairs, then the bytes as ASCII with '.' for
/// the unprintable ones; lines separated by LF.
std::string hexDump(std::span<const std::uint8_t> bytes);

/// Dotted quad for 4 bytes; any other length is shown as an octet string.
std::string ipAddressText(std::span<const std::uint8_t> bytes);

/// Decimal when the upper half is 0, else "0x" + upper in hex + lower as 8 hex digits.
std::string counter64Text(std::uint32_t high, std::uint32_t low);

}  // namespace zemtra
