// SPDX-License-Identifier: GPL-3.0-or-later
// The drawing objects of the window system, owned, and what the skinned windows draw with them:
// bitmaps from the skin's files and the program's resources, key-coloured blits, fonts of the
// layout, and the window shape as a region.
#pragma once
#include <string>
#include <vector>

#include "host/windows/OwnedHandles.h"
#include "host/windows/Win32.h"
#include "skin/Colour.h"
#include "skin/Geometry.h"
#include "skin/Layout.h"
#include "skin/Shape.h"

namespace rz::win32 {

struct GdiObject {
  using Handle = HGDIOBJ;
  static bool Valid(HGDIOBJ h) { return h != nullptr; }
  static void Close(HGDIOBJ h) { ::DeleteObject(h); }
};
using OwnedGdi = platform::win::Owned<GdiObject>;

inline COLORREF Colour(skin::Rgb c) { return RGB(c.r, c.g, c.b); }
inline RECT ToRect(const skin::Rect& r) { return {r.left, r.top, r.Right(), r.Bottom()}; }

// A 24-bit BMP file as a bitmap; none when the file is missing or unreadable (a missing skin file
// is silent: the button shows nothing in that state).
OwnedGdi LoadBitmapFile(const std::string& path);
// A bitmap resource of this program.
OwnedGdi LoadBitmapResource(int id);
// Width and height of a bitmap (0 x 0 for none).
SIZE BitmapSize(HGDIOBJ bitmap);
// The bitmap's pixels for the toolkit-neutral skin code.
skin::Picture ToPicture(HGDIOBJ bitmap);

// Draws `bitmap` unscaled at (x, y); with a key, the pixels of that colour are left out.
void DrawBitmap(HDC dc, HGDIOBJ bitmap, int x, int y);
void DrawKeyed(HDC dc, HGDIOBJ bitmap, int x, int y, skin::Rgb key);

// A font of the layout (the system substitutes a similar face where the family is missing).
OwnedGdi MakeFont(const skin::Font& font);

// The region of the window's shape; the window owns it once SetWindowRgn took it.
HRGN MakeRegion(const std::vector<skin::Rect>& rects);

}  // namespace rz::win32
