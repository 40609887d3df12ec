// SPDX-License-Identifier: GPL-3.0-or-later
#include "skin/Shape.h"

namespace rz::skin {

namespace {

// The runs of row `y` that are not see-through.
std::vector<Rect> RowRuns(int y, int windowWidth, const Picture& bg, int left, int top,
                          std::uint32_t key) {
  std::vector<Rect> runs;
  const int by = y - top;
  auto opaque = [&](int x) {
    const int bx = x - left;
    if (by < 0 || by >= bg.height || bx < 0 || bx >= bg.width) return true;
    return (bg.At(bx, by) & 0x00FFFFFFu) != key;
  };
  for (int x = 0; x < windowWidth;) {
    if (!opaque(x)) {
      ++x;
      continue;
    }
    const int start = x;
    while (x < windowWidth && opaque(x)) ++x;
    runs.push_back({start, y, x - start, 1});
  }
  return runs;
}

bool SameColumns(const std::vector<Rect>& a, const std::vector<Rect>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].left != b[i].left || a[i].width != b[i].width) return false;
  return true;
}

}  // namespace

std::vector<Rect> ShapeWithoutKey(int windowWidth, int windowHeight, const Picture& background,
                                  int left, int top, Rgb key) {
  std::vector<Rect> shape;
  std::vector<Rect> band;  // the rows joined so far, all of the same columns
  auto flush = [&] { shape.insert(shape.end(), band.begin(), band.end()); };
  for (int y = 0; y < windowHeight; ++y) {
    std::vector<Rect> row = RowRuns(y, windowWidth, background, left, top, key.Packed());
    if (!band.empty() && SameColumns(band, row)) {
      for (Rect& r : band) ++r.height;
      continue;
    }
    flush();
    band = std::move(row);
  }
  flush();
  return shape;
}

}  // namespace rz::skin
