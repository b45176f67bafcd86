#include "AlarmFlags.h"

#include "core/Slots.h"

namespace vimbo::mib {

namespace {

constexpr std::uint32_t kUsedBits = 0x3FFF;

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

std::uint16_t alarmFlagsValue(std::string_view text)
{
    // Masking at every digit keeps the low bits exact for texts of any length.
    std::uint32_t value = 0;
    for (const char c : text) {
        const int digit = hexDigit(c);
        if (digit < 0)
            break;
        value = ((value << 4) | static_cast<std::uint32_t>(digit)) & kUsedBits;
    }
    return static_cast<std::uint16_t>(value);
}

AlarmFlags readAlarmFlags(std::string_view text)
{
    const std::uint16_t value = alarmFlagsValue(text);
    AlarmFlags flags;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        flags.warning[slot] = (value >> slot) & 1;
        flags.alarm[slot] = (value >> (8 + slot)) & 1;
    }
    return flags;
}

}  // namespace vimbo::mib
