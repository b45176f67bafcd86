#pragma once

#include <QRect>

namespace vimbo {

/// Window layouts are given in twips (1/1440 inch). At 10 twips a pixel the
/// designed boxes hold the design face's widest values whole.
inline constexpr int kTwipsPerPixel = 10;

/// Twips to whole pixels, halves to even.
int pixelsFromTwips(double twips);
int twipsFromPixels(int pixels);

/// A rectangle given as left, top, width, height in twips.
QRect rectFromTwips(int left, int top, int width, int height);

}  // namespace vimbo
