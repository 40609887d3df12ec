// SPDX-License-Identifier: GPL-3.0-or-later
// Colours of the skin, as the artwork is drawn: see-through keys, the labels' yellow and the
// status panel's palette that the progress bar paints with.
#pragma once
#include <cstdint>

namespace rz::skin {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  // 0x00RRGGBB.
  constexpr std::uint32_t Packed() const {
    return (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b;
  }
  friend constexpr bool operator==(Rgb, Rgb) = default;
};

// Pure green: the see-through key of the window backgrounds.
inline constexpr Rgb kWindowKey{0, 255, 0};
// Magenta: the see-through key of every button bitmap.
inline constexpr Rgb kButtonKey{255, 0, 255};
// The main window's value labels and the progress text.
inline constexpr Rgb kLabelYellow{255, 255, 0};
// The status strip's panel (top and bottom of its gradient) and its edge.
inline constexpr Rgb kPanelTop{0x0D, 0x10, 0x16};
inline constexpr Rgb kPanelBottom{0x12, 0x16, 0x1E};
inline constexpr Rgb kPanelLine{0x3A, 0x42, 0x50};
// The accent of the header rule and the pressed buttons (top and bottom of the bar's fill).
inline constexpr Rgb kAccent{0xFF, 0x7A, 0x18};
inline constexpr Rgb kAccentDark{0xC8, 0x55, 0x08};

// Row `row` of `rows` of a vertical gradient from `top` (first row) to `bottom` (last row), each
// channel rounded to the nearest step. Both toolkits paint gradients row by row with it, so that
// they agree pixel for pixel.
constexpr Rgb Shade(Rgb top, Rgb bottom, int row, int rows) {
  if (rows <= 1) return top;
  auto mix = [&](int a, int b) {
    const int num = (b - a) * row, den = rows - 1;  // rounded half away from zero
    return static_cast<std::uint8_t>(a + (2 * num + (num >= 0 ? den : -den)) / (2 * den));
  };
  return {mix(top.r, bottom.r), mix(top.g, bottom.g), mix(top.b, bottom.b)};
}

}  // namespace rz::skin
