#pragma once

#include "core/Slots.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace vimbo::mib {

/// The slots' warning (bits 0..5) and alarm (bits 8..13) states.
struct AlarmFlags {
    PerSlot<bool> warning{};
    PerSlot<bool> alarm{};
};

/// The flags text as a hexadecimal number without prefix, read up to the first
/// character that is not a hex digit (empty reads 0), kept to bits 0..13.
std::uint16_t alarmFlagsValue(std::string_view text);

AlarmFlags readAlarmFlags(std::string_view text);

}  // namespace vimbo::mib
