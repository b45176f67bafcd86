#include "Scales.h"

#include <cfenv>
#include <cmath>
#include <limits>

namespace vimbo::mib {

namespace {

template <typename Int>
std::optional<Int> roundTo(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    // nearbyint follows the rounding mode; the default mode rounds halves to even.
    const double rounded = std::nearbyint(value);
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return static_cast<Int>(rounded);
}

}  // namespace

double vberFromRaw(double raw) { return raw / kVberScale; }
double hundredthsFromRaw(double raw) { return raw / kHundredthsScale; }

std::optional<std::int32_t> kHzFromHz(double hz) { return roundTo<std::int32_t>(hz / 1000.0); }
double mhzFromKHz(std::int32_t kHz) { return kHz / 1000.0; }
double mhzFromHz(double hz) { return hz / 1000.0 / 1000.0; }
std::optional<std::int32_t> kHzFromMHz(double mhz) { return roundTo<std::int32_t>(mhz * 1000.0); }

std::optional<std::int16_t> roundToInt16(double value) { return roundTo<std::int16_t>(value); }

std::optional<std::int32_t> vberToRaw(double ratio) { return roundTo<std::int32_t>(ratio * kVberScale); }
std::optional<std::int32_t> hzFromMHz(double mhz) { return roundTo<std::int32_t>(mhz * 1'000'000.0); }

}  // namespace vimbo::mib
