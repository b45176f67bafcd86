#include "MeasureHistory.h"

#include "core/ProgramError.h"

#include <algorithm>
#include <cmath>

namespace vimbo {

namespace {
constexpr float kHuge = 3.402823E+38f;
}

MeasureHistory::MeasureHistory()
    : m_meas5sAvg(static_cast<std::size_t>(kBuckets) * kMagnitudes * kChannels, 0.0f),
      m_meas5sCount(static_cast<std::size_t>(kBuckets), 0.0f),
      m_closedAt(static_cast<std::size_t>(kBuckets))
{
}

std::int16_t MeasureHistory::clockNumber(int second)
{
    return static_cast<std::int16_t>(std::nearbyint(second / 5.0));
}

int MeasureHistory::msecToNextClockChange(int msecOfMinute)
{
    // S / 5 rounded changes where S reaches 5 n - 2; second 0 starts number 0 again.
    const int second = msecOfMinute / 1000;
    const int next = second >= 58 ? 60 : second < 3 ? 3 : ((second + 2) / 5 + 1) * 5 - 2;
    return std::max(1, next * 1000 - msecOfMinute);
}

int MeasureHistory::msecOfPreviousClockChange(int msecOfMinute)
{
    if (msecOfMinute <= 0)
        return -2000;
    if (msecOfMinute <= 3000)
        return 0;
    return (((msecOfMinute - 1) / 1000 + 2) / 5 * 5 - 2) * 1000;
}

void MeasureHistory::add(const Measures& measures)
{
    for (int m = 0; m < kMagnitudes; ++m)
        for (int c = 0; c < kChannels; ++c)
            m_meas5sAvg[index(m_insertInd, m, c)] += measures[static_cast<std::size_t>(m)][static_cast<std::size_t>(c)];
    m_meas5sCount[static_cast<std::size_t>(m_insertInd)] += 1.0f;
}

void MeasureHistory::closeBucket(std::int16_t n, BucketTime closedAt)
{
    m_closedAt[static_cast<std::size_t>(m_insertInd)] = closedAt;
    const float sets = m_meas5sCount[static_cast<std::size_t>(m_insertInd)];
    if (sets != 0.0f)
        for (int m = 0; m < kMagnitudes; ++m)
            for (int c = 0; c < kChannels; ++c)
                m_meas5sAvg[index(m_insertInd, m, c)] /= sets;
    ++m_insertInd;
    if (m_insertInd >= kBuckets) {
        m_insertInd = 0;
        m_arrayFilled = true;
    }
    for (int m = 0; m < kMagnitudes; ++m)
        for (int c = 0; c < kChannels; ++c)
            m_meas5sAvg[index(m_insertInd, m, c)] = 0.0f;
    m_meas5sCount[static_cast<std::size_t>(m_insertInd)] = 0.0f;
    m_closedAt[static_cast<std::size_t>(m_insertInd)].reset();
    m_last5sSlot = n;
}

std::optional<BucketTime> MeasureHistory::closedAt(int bucket) const
{
    return m_closedAt.at(static_cast<std::size_t>(bucket));
}

float MeasureHistory::value(int bucket, int magnitude, int channel) const
{
    return m_meas5sAvg[index(bucket, magnitude, channel)];
}

int MeasureHistory::getLastShownInd(int scrollOffset) const
{
    int e = m_insertInd - scrollOffset - 1;
    if (e < 0 && m_arrayFilled)
        e += kBuckets;
    return e;
}

Margins MeasureHistory::get5sAvgMeasMargins(int magnitude, int startInd, int endInd, const ChannelMask& checked) const
{
    if (startInd > endInd)
        throw ProgramError(65536, QStringLiteral("get5sAvgMeasMargins"),
                           QStringLiteral("endInd must be greater than startInd"));
    float low = kHuge;
    float high = -kHuge;
    for (int c = 0; c < kChannels; ++c) {
        if (!checked[static_cast<std::size_t>(c)])
            continue;
        for (int t = startInd; t <= endInd; ++t) {
            if (count(t) == 0.0f)
                continue;
            const float v = value(t, magnitude, c);
            if (low > v)
                low = v;
            if (high < v)
                high = v;
        }
    }
    if (low == high) {
        low = static_cast<float>(static_cast<double>(low) * 0.9);
        high = static_cast<float>(static_cast<double>(high) * 1.1);
    }
    return {low, high};
}

Margins MeasureHistory::getShownMeasMargins(int magnitude, int endInd, const ChannelMask& checked, int points) const
{
    int s = endInd - points;
    bool mergeTail = false;
    Margins tail{};
    if (s < 0) {
        if (m_arrayFilled) {
            tail = get5sAvgMeasMargins(magnitude, kBuckets + s, kBuckets - 1, checked);
            mergeTail = true;
        }
        s = 0;
    }
    Margins head = get5sAvgMeasMargins(magnitude, s, endInd, checked);
    if (mergeTail) {
        if (head[0] > tail[0])
            head[0] = tail[0];
        if (head[1] < tail[1])
            head[1] = tail[1];
    }
    return head;
}

}  // namespace vimbo
