// SPDX-License-Identifier: GPL-3.0-or-later
// Rectangles in window coordinates (pixels, origin at the top left).
#pragma once

namespace rz::skin {

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
  constexpr int Right() const { return left + width; }    // one past the last column
  constexpr int Bottom() const { return top + height; }   // one past the last row
  constexpr bool Contains(int x, int y) const {
    return x >= left && x < Right() && y >= top && y < Bottom();
  }
  friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace rz::skin
