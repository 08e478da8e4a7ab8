#pragma once
// Draws a layout table: the base picture (anti-aliased, shaded like the real top plate), the
// hit map (each control's area in its identifier, nothing smoothed), the mask source, and
// the three tinted variants of the base picture the editor blends in.

#include <QImage>

#include <cstdint>
#include <vector>

#include "ControlLayout.h"

namespace qmt::picturegen {

QImage DrawBase(const Layout& layout);

// One identifier per pixel, top row first; 255 where there is no control.
std::vector<uint8_t> DrawHitMap(const Layout& layout);

// Grows every control's area into the background around it by `pixels`, so a highlight
// drawn through it shows a rim around the control.
std::vector<uint8_t> Dilate(const std::vector<uint8_t>& ids, int width, int height, int pixels);

enum class Tint : uint8_t { Blue, Red, Darker, Lighter };
QImage Tinted(const QImage& base, Tint tint);

// A picture of the identifiers, each control in its own colour (to look at, not to ship).
QImage HitMapPreview(const std::vector<uint8_t>& ids, int width, int height);

}  // namespace qmt::picturegen
