// SPDX-License-Identifier: GPL-3.0-or-later
// A skinned window's shape: the whole window except where its background picture shows the key
// colour, as rectangles that every toolkit can turn into a region.
#pragma once
#include <cstdint>
#include <vector>

#include "skin/Colour.h"
#include "skin/Geometry.h"

namespace rz::skin {

// A picture as plain pixels, rows top to bottom, each 0x??RRGGBB (the top byte is ignored).
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The window's area (`windowWidth` x `windowHeight`) without the pixels where `background`,
// placed at (`left`, `top`), is exactly `key`. Rows of runs, equal neighbouring rows joined: the
// rectangles are sorted top to bottom, then left to right, and never overlap.
std::vector<Rect> ShapeWithoutKey(int windowWidth, int windowHeight, const Picture& background,
                                  int left, int top, Rgb key);

}  // namespace rz::skin
