#pragma once

#include <QIcon>
#include <QPixmap>

namespace vimbo::artwork {

// The program's pictures, drawn here rather than stored.

/// The maker's logo, 699 x 122 pixels.
QPixmap logo();
/// A warning triangle with an exclamation mark, 32 x 27 pixels: yellow, or grey.
QPixmap warningTriangle(bool yellow);
/// A small line chart, for the chart button.
QPixmap lineChartIcon();
/// A measuring instrument, the windows' icon.
QIcon instrumentIcon();

}  // namespace vimbo::artwork
