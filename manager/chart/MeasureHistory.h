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

/// When a bucket closed: the instant, and the clock's offset from UTC then.
struct BucketTime {
    std::int64_t msecsSinceEpoch = 0;
    std::int32_t utcOffsetSeconds = 0;
    bool operator==(const BucketTime&) const = default;
};

/// Two hours of 5-second averages in a ring of 1440 buckets. Buckets close on the
/// wall clock: 13 a minute, numbered by the second of the minute.
class MeasureHistory {
public:
    static constexpr int kBuckets = 1440;
    static constexpr int kMagnitudes = 3;
    static constexpr int kChannels = kSlotCount;

    MeasureHistory();

    /// The bucket-clock number of a second of the minute: S / 5 rounded, halves to even.
    static std::int16_t clockNumber(int second);
    /// Milliseconds from `msecOfMinute` until the clock number next changes
    /// (at seconds 0, 3, 8, ... 53 and 58), at least 1.
    static int msecToNextClockChange(int msecOfMinute);
    /// The last clock-number change strictly before `msecOfMinute`, as milliseconds
    /// of the same minute: -2000 (the minute before's second 58) at or before 0.
    static int msecOfPreviousClockChange(int msecOfMinute);

    /// Adds a measure set to the open bucket.
    void add(const Measures& measures);
    /// Closes the open bucket at clock number n: averages it, records when it
    /// closed, opens the next (clearing it; the ring wraps to 0 and is then
    /// full) and remembers n.
    void closeBucket(std::int16_t n, BucketTime closedAt = {});
    /// When a closed bucket closed; nullopt for the open bucket and one never closed.
    std::optional<BucketTime> closedAt(int bucket) const;

    std::int16_t insertInd() const { return m_insertInd; }
    void setInsertInd(std::int16_t bucket) { m_insertInd = bucket; }
    bool arrayFilled() const { return m_arrayFilled; }
    void setArrayFilled(bool filled) { m_arrayFilled = filled; }
    std::int16_t last5sSlot() const { return m_last5sSlot; }
    void setLast5sSlot(std::int16_t n) { m_last5sSlot = n; }

    /// The average (or running sum, for the open bucket) and the set count of a bucket.
    float value(int bucket, int magnitude, int channel) const;
    float count(int bucket) const { return m_meas5sCount[static_cast<std::size_t>(bucket)]; }
    /// A bucket's value, or nullopt for a bucket without measures: the chart's
    /// empty cell and the export's empty field.
    std::optional<float> measured(int bucket, int magnitude, int channel) const
    {
        return count(bucket) != 0.0f ? std::optional<float>(value(bucket, magnitude, channel)) : std::nullopt;
    }

    /// The bucket shown at the chart's newest point when scrolled back by
    /// scrollOffset buckets; negative when no bucket falls there.
    int getLastShownInd(int scrollOffset) const;

    /// Minimum and maximum of the checked channels' averages over buckets
    /// startInd..endInd; a constant value v gives [0.9 v, 1.1 v]. Raises error
    /// 65536 when startInd > endInd.
    Margins get5sAvgMeasMargins(int magnitude, int startInd, int endInd, const ChannelMask& checked) const;

    /// The margins of the `points` + 1 buckets ending at endInd, across the wrap when the ring is full.
    Margins getShownMeasMargins(int magnitude, int endInd, const ChannelMask& checked, int points) const;

private:
    std::size_t index(int bucket, int magnitude, int channel) const
    {
        return (static_cast<std::size_t>(bucket) * kMagnitudes + static_cast<std::size_t>(magnitude)) * kChannels +
               static_cast<std::size_t>(channel);
    }

    std::vector<float> m_meas5sAvg;
    std::vector<float> m_meas5sCount;
    std::vector<std::optional<BucketTime>> m_closedAt;
    std::int16_t m_insertInd = 0;
    bool m_arrayFilled = false;
    std::int16_t m_last5sSlot = 0;
};

}  // namespace vimbo
