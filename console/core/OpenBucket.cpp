#include "OpenBucket.h"

#include "mib/DisplayFormat.h"

#include <QLocale>

#include <limits>

namespace vimbo {

namespace {

// The chart keeps the numbers as the window shows them.
float shownFixed(double value) { return mib::formatFixed2(value, QLocale::c()).toFloat(); }
float shownScientific(double value) { return mib::formatScientific(value, QLocale::c()).toFloat(); }

}  // namespace

void OpenBucket::add(const CycleSnapshot& snapshot)
{
    const ProbeKey probe{QString::fromStdString(snapshot.settings.agent), snapshot.settings.port, snapshot.name};
    // Another probe behind the same entry: what was open was the other's.
    if (m_count != 0 && !(probe == m_probe))
        *this = {};
    m_probe = probe;
    for (std::size_t s = 0; s < kSlotCount; ++s) {
        const CycleSnapshot::Slot& slot = snapshot.slotValues[s];
        m_sum[kPowerMagnitude][s] += shownFixed(slot.power);
        m_sum[kMerMagnitude][s] += shownFixed(slot.mer);
        m_sum[kVberMagnitude][s] += shownScientific(slot.vber);
        m_surveyed[s] += slot.surveyed ? 1 : 0;
    }
    ++m_count;
}

std::optional<std::pair<ProbeKey, BucketValues>> OpenBucket::close()
{
    if (m_count == 0)
        return std::nullopt;
    BucketValues values;
    for (std::size_t s = 0; s < kSlotCount; ++s)
        for (std::size_t m = 0; m < 3; ++m)
            values[s * 3 + m] = m_surveyed[s] != 0 ? m_sum[m][s] / static_cast<float>(m_count)
                                                   : std::numeric_limits<float>::quiet_NaN();
    const ProbeKey probe = m_probe;
    *this = {};
    return std::make_pair(probe, values);
}

}  // namespace vimbo
