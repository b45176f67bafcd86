#pragma once

#include "PictureBox.h"
#include "core/VariantGrid.h"

#include <QString>

#include <cstdint>

// The utility module shared by the windows.
namespace ZemtraLib {

/// Stretches the picture of `pic` to the size `pic` has now; `pic` keeps that
/// size. Raises error 65535 for a box with auto-size on.
void resizePicture(vimbo::PictureBox& pic);

/// Paints `pic`'s image stretched to w x h pixels as its new image and makes
/// `pic` that size, through a temporary box "resizeImage_sub_localPictureBox".
void resizeImage_sub(vimbo::PictureBox& pic, std::int16_t w, std::int16_t h);

/// Moves the rows of `table` by n (positive: towards higher rows) and fills the
/// freed rows with the 16-bit integer 0. Raises a subscript error when n is
/// larger than the table, an overflow error when indexes leave 16 bits.
void shiftRows(vimbo::VariantGrid& table, std::int16_t n);

/// Four fields 1..254 separated by ".", digits only, no leading zero.
bool isValidIPAddress(const QString& text);

}  // namespace ZemtraLib
