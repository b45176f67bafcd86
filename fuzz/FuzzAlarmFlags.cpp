// The alarm-flags reader on arbitrary text: only bits 0..13 count, and they
// are those of the hexadecimal prefix.
#include "mib/AlarmFlags.h"

#include <cctype>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::uint16_t value = vimbo::mib::alarmFlagsValue(text);
    if (value > 0x3FFF)
        __builtin_trap();
    // The low 14 bits come from the last four digits of the prefix.
    std::size_t digits = 0;
    while (digits < text.size() && std::isxdigit(static_cast<unsigned char>(text[digits])))
        ++digits;
    std::uint32_t expected = 0;
    for (std::size_t i = digits > 4 ? digits - 4 : 0; i < digits; ++i) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
        expected = expected * 16 + static_cast<std::uint32_t>(c <= '9' ? c - '0' : c - 'a' + 10);
    }
    if (value != (expected & 0x3FFF))
        __builtin_trap();
    const auto flags = vimbo::mib::readAlarmFlags(text);
    for (int s = 0; s < 6; ++s)
        if (flags.warning[static_cast<std::size_t>(s)] != static_cast<bool>((value >> s) & 1) ||
            flags.alarm[static_cast<std::size_t>(s)] != static_cast<bool>((value >> (8 + s)) & 1))
            __builtin_trap();
    return 0;
}
