#pragma once

#include "chart/MeasureHistory.h"
#include "poll/ProbePoller.h"
#include "store/HistoryStore.h"

#include <optional>

namespace vimbo {

/// One probe's measures since its last bucket closed, averaged as the chart
/// averages them, so the console stores the buckets the desktop would.
class OpenBucket {
public:
    /// A complete cycle's measures, with the display's rounding; the slots
    /// it found unsurveyed store no measure.
    void add(const CycleSnapshot& snapshot);
    /// The bucket's averages, NaN for a slot without measures, and the probe
    /// they are of; nothing when no cycle completed since the last close.
    std::optional<std::pair<ProbeKey, BucketValues>> close();

private:
    Measures m_sum{};
    PerSlot<int> m_surveyed{};
    int m_count = 0;
    ProbeKey m_probe;
};

}  // namespace vimbo
