#include "ReadPlan.h"

#include "mib/ProbeOids.h"
#include "core/Slots.h"

namespace vimbo {

namespace {

std::vector<ReadStep> composePlan()
{
    using mib::Access;
    std::vector<ReadStep> plan;
    plan.push_back({mib::equipmentOid(mib::EquipmentItem::Name), ProbeItem::Name});
    plan.push_back({mib::equipmentOid(mib::EquipmentItem::Ipn), ProbeItem::Ipn});
    plan.push_back({mib::equipmentOid(mib::EquipmentItem::Version), ProbeItem::Version});
    plan.push_back({mib::equipmentOid(mib::EquipmentItem::AlarmFlags), ProbeItem::AlarmFlags});
    plan.push_back({mib::thresholdOid(mib::ThresholdItem::MerAlarm, Access::Read), ProbeItem::MerAlarm});
    plan.push_back({mib::thresholdOid(mib::ThresholdItem::MerWarning, Access::Read), ProbeItem::MerWarning});
    plan.push_back({mib::thresholdOid(mib::ThresholdItem::VberAlarm, Access::Read), ProbeItem::VberAlarm});
    plan.push_back({mib::thresholdOid(mib::ThresholdItem::VberWarning, Access::Read), ProbeItem::VberWarning});
    static constexpr std::pair<mib::SlotItem, ProbeItem> kSlotItems[] = {
        {mib::SlotItem::Surveyed, ProbeItem::Surveyed},     {mib::SlotItem::Frequency, ProbeItem::Frequency},
        {mib::SlotItem::Power, ProbeItem::Power},           {mib::SlotItem::Mer, ProbeItem::Mer},
        {mib::SlotItem::Vber, ProbeItem::Vber},             {mib::SlotItem::PowerAlarm, ProbeItem::PowerAlarm},
        {mib::SlotItem::PowerWarning, ProbeItem::PowerWarning},
    };
    for (int s = 0; s < kSlotCount; ++s)
        for (const auto& [object, item] : kSlotItems)
            plan.push_back({mib::slotOid(s, object, Access::Read), item, s});
    return plan;
}

}  // namespace

const std::vector<ReadStep>& readPlan()
{
    static const std::vector<ReadStep> plan = composePlan();
    return plan;
}

std::vector<std::string> readPlanIdentifiers()
{
    std::vector<std::string> oids;
    for (const ReadStep& step : readPlan())
        oids.push_back(step.oid);
    return oids;
}

}  // namespace vimbo
