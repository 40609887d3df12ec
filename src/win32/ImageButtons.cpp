// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/ImageButtons.h"

namespace rz::win32 {

void ImageButtons::Add(const skin::ImageButtonLayout& layout, const std::string& programFolder) {
  ImageButton& b = buttons_.emplace_back();
  b.layout = layout;
  for (skin::Face face :
       {skin::Face::Normal, skin::Face::Hover, skin::Face::Pressed, skin::Face::Disabled})
    b.faces[static_cast<int>(face)] = LoadBitmapFile(skin::SkinFile(programFolder, layout, face));
}

void ImageButtons::Clear() {
  if (captured_ >= 0) {
    captured_ = -1;
    ::ReleaseCapture();
  }
  buttons_.clear();
  ::InvalidateRect(window_, nullptr, FALSE);
}

const ImageButton* ImageButtons::Find(skin::Action action) const {
  for (const ImageButton& b : buttons_)
    if (b.layout.action == action) return &b;
  return nullptr;
}

void ImageButtons::SetEnabled(bool enabled) {
  for (ImageButton& b : buttons_) Apply(b, b.state.SetEnabled(enabled));
}

void ImageButtons::Paint(HDC dc) {
  RECT clip;
  ::GetClipBox(dc, &clip);
  for (ImageButton& b : buttons_) {
    RECT r = ToRect(b.layout.rect), overlap;
    if (!::IntersectRect(&overlap, &r, &clip)) continue;
    const skin::Face face = b.forced != skin::Face::None ? b.forced : b.state.PaintFace();
    DrawKeyed(dc, b.faces[static_cast<int>(face)].get(), b.layout.rect.left, b.layout.rect.top,
              skin::kButtonKey);
    b.lastDrawn = face;
    ++b.paintCount;
  }
}

int ImageButtons::At(int x, int y) const {
  for (std::size_t i = 0; i < buttons_.size(); ++i)
    if (buttons_[i].layout.rect.Contains(x, y)) return static_cast<int>(i);
  return -1;
}

void ImageButtons::DrawNow(ImageButton& button, skin::Face face) {
  button.forced = face;
  const RECT r = ToRect(button.layout.rect);
  ::RedrawWindow(window_, &r, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  button.forced = skin::Face::None;
}

void ImageButtons::Apply(ImageButton& button, const skin::ButtonEffect& effect) {
  if (effect.drawNow != skin::Face::None) DrawNow(button, effect.drawNow);
  if (effect.click && onClick) onClick(button.layout.action);
}

void ImageButtons::SyncHover(int x, int y) {
  const int over = At(x, y);
  for (std::size_t i = 0; i < buttons_.size(); ++i)
    if (static_cast<int>(i) != over) Apply(buttons_[i], buttons_[i].state.Left(true));
  if (over >= 0) Apply(buttons_[over], buttons_[over].state.Entered());
}

bool ImageButtons::MouseMove(int x, int y, bool anyButtonHeld) {
  if (!tracking_) {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window_, 0};
    tracking_ = ::TrackMouseEvent(&track) != FALSE;
  }
  if (captured_ >= 0) {
    ImageButton& b = buttons_[captured_];
    Apply(b, b.state.Moved(b.layout.rect.Contains(x, y), anyButtonHeld));
    return true;
  }
  SyncHover(x, y);
  return At(x, y) >= 0;
}

bool ImageButtons::MouseDown(skin::MouseButton button, int x, int y) {
  const int index = captured_ >= 0 ? captured_ : At(x, y);
  if (index < 0) return false;
  captured_ = index;
  ::SetCapture(window_);
  Apply(buttons_[index], buttons_[index].state.Press(button));
  return true;
}

bool ImageButtons::MouseUp(skin::MouseButton button, int x, int y) {
  if (captured_ < 0) return At(x, y) >= 0;
  ImageButton& b = buttons_[captured_];
  const skin::ButtonEffect effect = b.state.Release(button, b.layout.rect.Contains(x, y));
  // The capture goes with the last held button, before the click's action opens any dialog.
  const bool stillHeld = (::GetKeyState(VK_LBUTTON) | ::GetKeyState(VK_RBUTTON) |
                          ::GetKeyState(VK_MBUTTON)) & 0x8000;
  if (!stillHeld) {
    captured_ = -1;
    ::ReleaseCapture();
  }
  if (effect.drawNow != skin::Face::None) DrawNow(b, effect.drawNow);
  if (captured_ < 0) SyncHover(x, y);
  if (effect.click && onClick) onClick(b.layout.action);
  return true;
}

void ImageButtons::MouseLeftWindow() {
  tracking_ = false;
  if (captured_ >= 0) return;  // the capture reports the pointer's moves outside
  for (ImageButton& b : buttons_) Apply(b, b.state.Left(true));
}

void ImageButtons::Hidden() {
  for (ImageButton& b : buttons_) b.state.Left(false);
}

}  // namespace rz::win32
