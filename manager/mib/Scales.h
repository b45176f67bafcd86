#pragma once

#include <cstdint>
#include <optional>

namespace vimbo::mib {

// Read side: the probe's integers to the values shown.
inline constexpr double kVberScale = 10'000'000.0;  // VBER x 10 000 000
inline constexpr double kHundredthsScale = 100.0;   // power and MER x 100

double vberFromRaw(double raw);
double hundredthsFromRaw(double raw);

/// Hz to kHz, rounded to a whole number with halves to even.
std::optional<std::int32_t> kHzFromHz(double hz);
double mhzFromKHz(std::int32_t kHz);
/// Hz to MHz through unrounded kHz, as the slot label shows it.
double mhzFromHz(double hz);
/// MHz to whole kHz, halves to even: the plan's unit for a typed frequency.
std::optional<std::int32_t> kHzFromMHz(double mhz);

// Write side: entered values to the probe's integers. nullopt when the
// result does not fit the integer type (or the value is not a number).

/// Nearest whole number, halves to the even neighbour.
std::optional<std::int16_t> roundToInt16(double value);

std::optional<std::int32_t> vberToRaw(double ratio);
std::optional<std::int32_t> hzFromMHz(double mhz);

}  // namespace vimbo::mib
