#include "AxisRange.h"

#include <cmath>

namespace vimbo {

std::pair<double, double> drawableRange(double minimum, double maximum, bool logarithmic,
                                        std::optional<double> smallestPositive)
{
    if (!std::isfinite(minimum) || !std::isfinite(maximum)) {
        minimum = logarithmic ? 1e-9 : 0.0;
        maximum = logarithmic ? 1e-3 : 1.0;
    }
    if (minimum > maximum)
        std::swap(minimum, maximum);
    if (logarithmic) {
        if (minimum <= 0) {
            if (smallestPositive && *smallestPositive > 0)
                minimum = *smallestPositive / 10;
            else if (maximum > 0)
                minimum = maximum / 10;
            else
                minimum = 1e-9;
        }
        if (maximum <= minimum)
            maximum = minimum * 10;
        return {minimum, maximum};
    }
    if (minimum == maximum) {
        const double half = minimum == 0 ? 1.0 : std::fabs(minimum) * 0.1;
        return {minimum - half, maximum + half};
    }
    return {minimum, maximum};
}

}  // namespace vimbo
