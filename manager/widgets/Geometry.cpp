#include "Geometry.h"

#include <cmath>

namespace vimbo {

int pixelsFromTwips(double twips) { return static_cast<int>(std::nearbyint(twips / kTwipsPerPixel)); }

int twipsFromPixels(int pixels) { return pixels * kTwipsPerPixel; }

QRect rectFromTwips(int left, int top, int width, int height)
{
    return {pixelsFromTwips(left), pixelsFromTwips(top), pixelsFromTwips(width), pixelsFromTwips(height)};
}

}  // namespace vimbo
