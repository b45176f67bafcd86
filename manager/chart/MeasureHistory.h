#pragma once

#include "core/Slots.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace vimbo {

/// The magnitudes, in the order the history and the chart's list keep them.
enum Magnitude : int { kPowerMagnitude = 0, kMerMagnitude = 1, kVberMagnitude = 2 };

/// One polling cycle's measures: [magnitude][channel 0..5], as shown.
using Measures = std::array<PerSlot<float>, 3>;
/// Which channels' series count for the margins.
using ChannelMask = PerSlot<bool>;
/// [0] minimum, [1] maximum.
using Margins = std::array<float, 2>;

/// When a slot closed: the instant, and the clock's offset from UTC then.
struct SlotTime {
    std::int64_t msecsSinceEpoch = 0;
    std::int32_t utcOffsetSeconds = 0;
    bool operator==(const SlotTime&) const = default;
};

/// Two hours of 5-second averages in a ring of 1440 slots. Slots close on the
/// wall clock: 13 a minute, numbered by the second of the minute.
class MeasureHistory {
public:
    static constexpr int kSlots = 1440;
    static constexpr int kMagnitudes = 3;
    static constexpr int kChannels = kSlotCount;

    MeasureHistory();

    /// The slot-clock number of a second of the minute: S / 5 rounded, halves to even.
    static std::int16_t clockNumber(int second);
    /// Milliseconds from `msecOfMinute` until the clock number next changes
    /// (at seconds 0, 3, 8, ... 53 and 58), at least 1.
    static int msecToNextClockChange(int msecOfMinute);

    /// Adds a measure set to the open slot.
    void add(const Measures& measures);
    /// Closes the open slot at clock number n: averages it, records when it
    /// closed, opens the next (clearing it; the ring wraps to 0 and is then
    /// full) and remembers n.
    void closeSlot(std::int16_t n, SlotTime closedAt = {});
    /// When a closed slot closed; nullopt for the open slot and one never closed.
    std::optional<SlotTime> closedAt(int slot) const;

    std::int16_t insertInd() const { return m_insertInd; }
    void setInsertInd(std::int16_t slot) { m_insertInd = slot; }
    bool arrayFilled() const { return m_arrayFilled; }
    void setArrayFilled(bool filled) { m_arrayFilled = filled; }
    std::int16_t last5sSlot() const { return m_last5sSlot; }
    void setLast5sSlot(std::int16_t n) { m_last5sSlot = n; }

    /// The average (or running sum, for the open slot) and the set count of a slot.
    float value(int slot, int magnitude, int channel) const;
    float count(int slot) const { return m_meas5sCount[static_cast<std::size_t>(slot)]; }
    /// A slot's value, or nullopt for a slot without measures: the chart's
    /// empty cell and the export's empty field.
    std::optional<float> measured(int slot, int magnitude, int channel) const
    {
        return count(slot) != 0.0f ? std::optional<float>(value(slot, magnitude, channel)) : std::nullopt;
    }

    /// The slot shown at the chart's newest point when scrolled back by
    /// scrollOffset slots; negative when no slot falls there.
    int getLastShownInd(int scrollOffset) const;

    /// Minimum and maximum of the checked channels' averages over slots
    /// startInd..endInd; a constant value v gives [0.9 v, 1.1 v]. Raises error
    /// 65536 when startInd > endInd.
    Margins get5sAvgMeasMargins(int magnitude, int startInd, int endInd, const ChannelMask& checked) const;

    /// The margins of the `points` + 1 slots ending at endInd, across the wrap when the ring is full.
    Margins getShownMeasMargins(int magnitude, int endInd, const ChannelMask& checked, int points) const;

private:
    std::size_t index(int slot, int magnitude, int channel) const
    {
        return (static_cast<std::size_t>(slot) * kMagnitudes + static_cast<std::size_t>(magnitude)) * kChannels +
               static_cast<std::size_t>(channel);
    }

    std::vector<float> m_meas5sAvg;
    std::vector<float> m_meas5sCount;
    std::vector<std::optional<SlotTime>> m_closedAt;
    std::int16_t m_insertInd = 0;
    bool m_arrayFilled = false;
    std::int16_t m_last5sSlot = 0;
};

}  // namespace vimbo
