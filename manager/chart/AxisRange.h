#pragma once

#include <optional>
#include <utility>

namespace vimbo {

/// The range a value axis can draw, from the range the program asks for.
/// A logarithmic axis shows only positive values: a minimum of 0 or below
/// becomes a tenth of the smallest positive value shown (or of the maximum,
/// or 1E-09 when there is nothing positive). A reversed pair is put in order
/// and an empty one widened, so the axis never fails on the margins'
/// odd cases ([0, 0], [-9, -11]).
std::pair<double, double> drawableRange(double minimum, double maximum, bool logarithmic,
                                        std::optional<double> smallestPositive);

}  // namespace vimbo
