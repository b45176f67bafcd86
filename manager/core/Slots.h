#pragma once

#include <array>

namespace vimbo {

/// The probe's channel slots, 0..5: every per-slot array and loop is sized by this.
inline constexpr int kSlotCount = 6;

/// One T per channel slot.
template <typename T>
using PerSlot = std::array<T, kSlotCount>;

}  // namespace vimbo
