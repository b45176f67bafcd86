#include "ProbeOids.h"

#include <cassert>

namespace vimbo::mib {

namespace {

std::string compose(int group, int item, Access access)
{
    std::string oid = kProbeRoot;
    oid += '.' + std::to_string(group) + '.' + std::to_string(item);
    if (access == Access::Read)
        oid += ".0";
    return oid;
}

}  // namespace

int slotGroup(int slot) { return slot + 3; }

std::string equipmentOid(EquipmentItem item) { return compose(1, static_cast<int>(item), Access::Read); }

std::string thresholdOid(ThresholdItem item, Access access) { return compose(2, static_cast<int>(item), access); }

std::string slotOid(int slot, SlotItem item, Access access)
{
    assert(slot >= 0 && slot < kSlotCount);
    if (slot < 0 || slot >= kSlotCount)
        return {};
    return compose(slotGroup(slot), static_cast<int>(item), access);
}

}  // namespace vimbo::mib
