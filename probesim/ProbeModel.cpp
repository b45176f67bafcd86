#include "ProbeModel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vimbo::sim {

namespace {

constexpr std::uint32_t kEquipment = 1;
constexpr std::uint32_t kThresholds = 2;
constexpr std::uint32_t kFirstSlotGroup = 3;
constexpr int kSlots = 6;

std::int32_t vberRaw(double log10Vber) { return static_cast<std::int32_t>(std::lround(std::pow(10.0, log10Vber) * 1e7)); }

int slotOf(const ObjectKey& key)
{
    if (key.group < kFirstSlotGroup || key.group >= kFirstSlotGroup + kSlots)
        return -1;
    return static_cast<int>(key.group - kFirstSlotGroup);
}

}  // namespace

ProbeState defaultProbeState()
{
    ProbeState state;
    struct Row {
        bool surveyed;
        std::int32_t mhz100;
        std::int32_t power100, mer100, vber1e7;
    };
    // Channels 21, 34, 45 and 60 of the UHF plan; slot 3 sits near its
    // warnings. The unsurveyed slots hold channels 66 and 69, inside the band
    // the configuration window accepts, as a real probe's would.
    const Row rows[kSlots] = {
        {true, 47400, 5200, 3100, 2},  {true, 57800, 5050, 2950, 10}, {true, 66600, 4700, 2700, 30},
        {true, 78600, 4560, 2520, 80}, {false, 83400, 0, 0, 0},       {false, 85800, 0, 0, 0},
    };
    for (int s = 0; s < kSlots; ++s) {
        SlotState& slot = state.slots[static_cast<std::size_t>(s)];
        slot.surveyed = rows[s].surveyed;
        slot.frequencyHz = rows[s].mhz100 * 10000;
        slot.power100 = rows[s].power100;
        slot.mer100 = rows[s].mer100;
        slot.vber1e7 = rows[s].vber1e7;
    }
    return state;
}

ProbeModel::ProbeModel(ProbeState state, std::uint32_t seed) : m_state(std::move(state)), m_random(seed)
{
    for (int s = 0; s < kSlots; ++s) {
        const SlotState& slot = m_state.slots[static_cast<std::size_t>(s)];
        m_base[static_cast<std::size_t>(s)] = {slot.power100 / 100.0, slot.mer100 / 100.0,
                                               std::log10(std::max(slot.vber1e7, 1) / 1e7)};
    }
    m_current = m_base;
}

std::optional<SimValue> ProbeModel::read(const ObjectKey& key) const
{
    if (key.group == kEquipment) {
        switch (key.item) {
        case 1: return m_state.name;
        case 2: return m_state.ipn;
        case 3: return m_state.version;
        case 4: return alarmFlagsText();
        default: return std::nullopt;
        }
    }
    if (key.group == kThresholds) {
        switch (key.item) {
        case 1: return m_state.merAlarm;
        case 2: return m_state.merWarning;
        case 3: return m_state.vberAlarm;
        case 4: return m_state.vberWarning;
        default: return std::nullopt;
        }
    }
    const int s = slotOf(key);
    if (s < 0)
        return std::nullopt;
    const SlotState& slot = m_state.slots[static_cast<std::size_t>(s)];
    switch (key.item) {
    case 1: return std::int32_t{slot.surveyed ? 1 : 0};
    case 2: return slot.frequencyHz;
    case 3: return slot.surveyed ? slot.power100 : 0;
    case 4: return slot.surveyed ? slot.mer100 : 0;
    case 5: return slot.surveyed ? slot.vber1e7 : 0;
    case 6: return slot.powerAlarm;
    case 7: return slot.powerWarning;
    default: return std::nullopt;
    }
}

WriteStatus ProbeModel::checkWrite(const ObjectKey& key, const SimValue& value) const
{
    const bool thresholdObject = key.group == kThresholds && key.item >= 1 && key.item <= 4;
    const int s = slotOf(key);
    const bool slotObject = s >= 0 && (key.item == 1 || key.item == 2 || key.item == 6 || key.item == 7);
    if (!thresholdObject && !slotObject)
        return WriteStatus::NotWritable;
    const auto* number = std::get_if<std::int32_t>(&value);
    if (!number)
        return WriteStatus::WrongType;
    if (slotObject && key.item == 1 && *number != 0 && *number != 1)
        return WriteStatus::WrongValue;
    if (slotObject && key.item == 2 && *number < 0)
        return WriteStatus::WrongValue;
    if (thresholdObject && (key.item == 3 || key.item == 4) && *number < 0)
        return WriteStatus::WrongValue;
    return WriteStatus::Ok;
}

void ProbeModel::write(const ObjectKey& key, const SimValue& value)
{
    const std::int32_t number = std::get<std::int32_t>(value);
    if (key.group == kThresholds) {
        std::int32_t* targets[] = {&m_state.merAlarm, &m_state.merWarning, &m_state.vberAlarm, &m_state.vberWarning};
        *targets[key.item - 1] = number;
        return;
    }
    const int s = slotOf(key);
    SlotState& slot = m_state.slots[static_cast<std::size_t>(s)];
    switch (key.item) {
    case 1: {
        const bool wasSurveyed = slot.surveyed;
        slot.surveyed = number == 1;
        if (slot.surveyed && !wasSurveyed)
            restartMeasures(s);
        break;
    }
    case 2: slot.frequencyHz = number; break;
    case 6: slot.powerAlarm = number; break;
    case 7: slot.powerWarning = number; break;
    default: break;
    }
}

std::vector<ObjectKey> ProbeModel::objects() const
{
    std::vector<ObjectKey> keys;
    for (std::uint32_t item = 1; item <= 4; ++item)
        keys.push_back({kEquipment, item});
    for (std::uint32_t item = 1; item <= 4; ++item)
        keys.push_back({kThresholds, item});
    for (std::uint32_t group = kFirstSlotGroup; group < kFirstSlotGroup + kSlots; ++group)
        for (std::uint32_t item = 1; item <= 7; ++item)
            keys.push_back({group, item});
    return keys;
}

std::string ProbeModel::alarmFlagsText() const
{
    if (m_state.alarmFlagsOverride)
        return *m_state.alarmFlagsOverride;
    unsigned flags = 0;
    for (int s = 0; s < kSlots; ++s) {
        const SlotState& slot = m_state.slots[static_cast<std::size_t>(s)];
        if (!slot.surveyed)
            continue;
        const bool alarm = slot.mer100 < m_state.merAlarm * 100 || slot.power100 < slot.powerAlarm * 100 ||
                           slot.vber1e7 > m_state.vberAlarm;
        const bool warning = slot.mer100 < m_state.merWarning * 100 ||
                             slot.power100 < slot.powerWarning * 100 || slot.vber1e7 > m_state.vberWarning;
        if (alarm)
            flags |= 1u << (8 + s);
        else if (warning)
            flags |= 1u << s;
    }
    char text[8];
    std::snprintf(text, sizeof text, "%04X", flags);
    return text;
}

void ProbeModel::restartMeasures(int s)
{
    const Base& base = m_base[static_cast<std::size_t>(s)];
    SlotState& slot = m_state.slots[static_cast<std::size_t>(s)];
    // A slot that had no signal before starts from a plausible channel.
    const double power = base.power > 0 ? base.power : 50.0;
    const double mer = base.mer > 0 ? base.mer : 30.0;
    const double vberLog = base.vberLog10 > -7 ? base.vberLog10 : -6.0;
    m_base[static_cast<std::size_t>(s)] = {power, mer, vberLog};
    m_current[static_cast<std::size_t>(s)] = m_base[static_cast<std::size_t>(s)];
    slot.power100 = static_cast<std::int32_t>(std::lround(power * 100));
    slot.mer100 = static_cast<std::int32_t>(std::lround(mer * 100));
    slot.vber1e7 = vberRaw(vberLog);
}

void ProbeModel::driftStep()
{
    std::normal_distribution<double> step(0.0, 1.0);
    for (int s = 0; s < kSlots; ++s) {
        SlotState& slot = m_state.slots[static_cast<std::size_t>(s)];
        if (!slot.surveyed)
            continue;
        const Base& base = m_base[static_cast<std::size_t>(s)];
        Base& current = m_current[static_cast<std::size_t>(s)];
        // A random walk pulled back towards the base keeps the values plausible.
        auto walk = [&](double value, double centre, double sigma) {
            return value + sigma * step(m_random) - 0.02 * (value - centre);
        };
        current.power = walk(current.power, base.power, 0.05);
        current.mer = walk(current.mer, base.mer, 0.05);
        current.vberLog10 = walk(current.vberLog10, base.vberLog10, 0.02);
        const double power = current.power, mer = current.mer, vberLog = current.vberLog10;
        slot.power100 = static_cast<std::int32_t>(std::lround(power * 100));
        slot.mer100 = static_cast<std::int32_t>(std::lround(mer * 100));
        slot.vber1e7 = std::max(1, vberRaw(vberLog));
    }
}

}  // namespace vimbo::sim
