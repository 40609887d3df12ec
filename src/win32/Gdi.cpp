// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/Gdi.h"

#include "host/windows/Utf16.h"

namespace rz::win32 {

using platform::win::Narrow;
using platform::win::Widen;

OwnedGdi LoadBitmapFile(const std::string& path) {
  const std::optional<std::wstring> name = platform::win::WidenExact(path);
  if (!name) return OwnedGdi();  // no name of the system's can be that file
  return OwnedGdi(::LoadImageW(nullptr, name->c_str(), IMAGE_BITMAP, 0, 0,
                               LR_LOADFROMFILE | LR_CREATEDIBSECTION));
}

OwnedGdi LoadBitmapResource(int id) {
  return OwnedGdi(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP,
                               0, 0, LR_CREATEDIBSECTION));
}

SIZE BitmapSize(HGDIOBJ bitmap) {
  BITMAP info{};
  if (!bitmap || !::GetObjectW(bitmap, sizeof info, &info)) return {0, 0};
  return {info.bmWidth, info.bmHeight};
}

skin::Picture ToPicture(HGDIOBJ bitmap) {
  const SIZE size = BitmapSize(bitmap);
  skin::Picture picture{size.cx, size.cy, {}};
  if (size.cx == 0 || size.cy == 0) return picture;
  picture.pixels.resize(static_cast<std::size_t>(size.cx) * size.cy);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size.cx;
  info.bmiHeader.biHeight = -size.cy;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC screen = ::GetDC(nullptr);
  ::GetDIBits(screen, static_cast<HBITMAP>(bitmap), 0, static_cast<UINT>(size.cy),
              picture.pixels.data(), &info, DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, screen);
  return picture;
}

namespace {

// A memory device context holding `bitmap`, restored and deleted when it goes.
class SelectedBitmap {
 public:
  SelectedBitmap(HDC like, HGDIOBJ bitmap)
      : dc_(::CreateCompatibleDC(like)), old_(::SelectObject(dc_, bitmap)) {}
  ~SelectedBitmap() {
    ::SelectObject(dc_, old_);
    ::DeleteDC(dc_);
  }
  SelectedBitmap(const SelectedBitmap&) = delete;
  SelectedBitmap& operator=(const SelectedBitmap&) = delete;
  HDC dc() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace

void DrawBitmap(HDC dc, HGDIOBJ bitmap, int x, int y) {
  const SIZE size = BitmapSize(bitmap);
  if (size.cx == 0) return;
  SelectedBitmap source(dc, bitmap);
  ::BitBlt(dc, x, y, size.cx, size.cy, source.dc(), 0, 0, SRCCOPY);
}

void DrawKeyed(HDC dc, HGDIOBJ bitmap, int x, int y, skin::Rgb key) {
  const SIZE size = BitmapSize(bitmap);
  if (size.cx == 0) return;
  SelectedBitmap source(dc, bitmap);
  ::GdiTransparentBlt(dc, x, y, size.cx, size.cy, source.dc(), 0, 0, size.cx, size.cy,
                      Colour(key));
}

OwnedGdi MakeFont(const skin::Font& font) {
  return OwnedGdi(::CreateFontW(-font.pixelSize, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS,
                                Widen(font.family).c_str()));
}

HRGN MakeRegion(const std::vector<skin::Rect>& rects) {
  std::vector<char> data(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
  auto* region = reinterpret_cast<RGNDATA*>(data.data());
  region->rdh.dwSize = sizeof(RGNDATAHEADER);
  region->rdh.iType = RDH_RECTANGLES;
  region->rdh.nCount = static_cast<DWORD>(rects.size());
  region->rdh.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
  RECT bounds{0, 0, 0, 0};
  auto* out = reinterpret_cast<RECT*>(region->Buffer);
  for (std::size_t i = 0; i < rects.size(); ++i) {
    out[i] = ToRect(rects[i]);
    ::UnionRect(&bounds, &bounds, &out[i]);
  }
  region->rdh.rcBound = bounds;
  return ::ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), region);
}

}  // namespace rz::win32
