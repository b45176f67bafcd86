#pragma once

#include "core/Slots.h"

#include <string>

namespace vimbo::mib {

inline constexpr const char* kProbeRoot = ".1.3.6.1.4.1.32473.2.2";
inline constexpr int kSlotCount = vimbo::kSlotCount;

// Reads address an object's instance (".0"); writes address the object itself.
enum class Access { Read, Write };

enum class EquipmentItem { Name = 1, Ipn = 2, Version = 3, AlarmFlags = 4 };
enum class ThresholdItem { MerAlarm = 1, MerWarning = 2, VberAlarm = 3, VberWarning = 4 };
enum class SlotItem { Surveyed = 1, Frequency = 2, Power = 3, Mer = 4, Vber = 5, PowerAlarm = 6, PowerWarning = 7 };

/// The probe's group of a channel slot: slot + 3, so 3..8.
int slotGroup(int slot);

/// Identity and alarm-flag objects, group 1 (read only).
std::string equipmentOid(EquipmentItem item);

/// Common thresholds, group 2.
std::string thresholdOid(ThresholdItem item, Access access);

/// Per-slot objects under group slot + 3. A slot outside 0..5 is a caller's bug:
/// it gives an empty identifier, which the client refuses without sending.
std::string slotOid(int slot, SlotItem item, Access access);

}  // namespace vimbo::mib
