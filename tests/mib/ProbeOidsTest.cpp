#include "ProbeOids.h"

#include <gtest/gtest.h>

using namespace vimbo::mib;

TEST(ProbeOids, equipmentAndThresholdObjects)
{
    EXPECT_EQ(equipmentOid(EquipmentItem::Name), ".1.3.6.1.4.1.32473.2.2.1.1.0");
    EXPECT_EQ(equipmentOid(EquipmentItem::AlarmFlags), ".1.3.6.1.4.1.32473.2.2.1.4.0");
    EXPECT_EQ(thresholdOid(ThresholdItem::MerAlarm, Access::Read), ".1.3.6.1.4.1.32473.2.2.2.1.0");
    EXPECT_EQ(thresholdOid(ThresholdItem::MerAlarm, Access::Write), ".1.3.6.1.4.1.32473.2.2.2.1");
    EXPECT_EQ(thresholdOid(ThresholdItem::VberWarning, Access::Write), ".1.3.6.1.4.1.32473.2.2.2.4");
}

TEST(ProbeOids, slotsUseGroupsThreeToEight)
{
    EXPECT_EQ(slotOid(0, SlotItem::Surveyed, Access::Read), ".1.3.6.1.4.1.32473.2.2.3.1.0");
    EXPECT_EQ(slotOid(5, SlotItem::PowerWarning, Access::Read), ".1.3.6.1.4.1.32473.2.2.8.7.0");
    EXPECT_EQ(slotOid(3, SlotItem::Frequency, Access::Write), ".1.3.6.1.4.1.32473.2.2.6.2");
    for (int slot = 0; slot < kSlotCount; ++slot)
        EXPECT_EQ(slotGroup(slot), slot + 3);
}
