#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vimbo {

/// What one read of the cycle asks the probe for.
enum class ProbeItem {
    Name, Ipn, Version, AlarmFlags,
    MerAlarm, MerWarning, VberAlarm, VberWarning,
    Surveyed, Frequency, Power, Mer, Vber, PowerAlarm, PowerWarning,
};

struct ReadStep {
    std::string oid;
    ProbeItem item;
    int slot = -1;  // the channel slot, for the per-slot items
};

/// The cycle's 50 reads in their order: the identity and the flags, the
/// common thresholds, then each slot's seven objects.
const std::vector<ReadStep>& readPlan();

/// The identifiers of readPlan(), in its order.
std::vector<std::string> readPlanIdentifiers();

}  // namespace vimbo
