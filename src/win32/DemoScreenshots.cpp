// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/DemoScreenshots.h"

#include <cstdlib>
#include <filesystem>
#include <cstdio>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include "host/windows/Utf16.h"

namespace rz::win32 {

using platform::win::Narrow;
using platform::win::Widen;

namespace {

// Handles messages for `ms` milliseconds, so that the windows paint.
void Settle(DWORD ms) {
  const ULONGLONG end = ::GetTickCount64() + ms;
  while (::GetTickCount64() < end) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(10);
  }
}

// Writes the screen around `window` (12 pixels on each side, so the shape shows against the
// desktop) as a 24-bit BMP.
void Shoot(HWND window, const std::string& path) {
  RECT r;
  ::GetWindowRect(window, &r);
  const int x = r.left - 12, y = r.top - 12, w = r.right - r.left + 24, h = r.bottom - r.top + 24;
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = ::SelectObject(dc, bitmap);
  ::BitBlt(dc, 0, 0, w, h, screen, x, y, SRCCOPY);
  ::SelectObject(dc, old);
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = w;
  info.biHeight = h;  // bottom-up, as BMP files hold rows
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const int stride = (w * 3 + 3) & ~3;
  std::vector<char> pixels(static_cast<std::size_t>(stride) * h);
  ::GetDIBits(dc, bitmap, 0, static_cast<UINT>(h), pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc);
  ::ReleaseDC(nullptr, screen);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
  std::ofstream out(std::filesystem::path(Widen(path)), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  std::printf("%s %s\n", out.good() ? "saved" : "cannot save", path.c_str());
  std::fflush(stdout);
}

// Message boxes of the start-up (before the main window shows) are shot and answered from a
// watcher thread while the program's thread waits in them.
class BoxWatcher {
 public:
  BoxWatcher(std::string dir, DWORD thread)
      : worker_([this, dir = std::move(dir), thread](std::stop_token stop) {
          int shots = 0;
          while (!stop.stop_requested()) {
            ::Sleep(200);
            HWND box = FindBox(thread);
            if (!box) continue;
            Shoot(box, dir + "/box" + std::to_string(++shots) + ".bmp");
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
            ::Sleep(300);
          }
        }) {}

 private:
  static HWND FindBox(DWORD thread) {
    HWND found = nullptr;
    ::EnumThreadWindows(thread, TakeBox, reinterpret_cast<LPARAM>(&found));
    return found;
  }
  // A named callback, not a lambda: a 32-bit build calls it as stdcall (CALLBACK).
  static BOOL CALLBACK TakeBox(HWND w, LPARAM out) {
    wchar_t cls[16] = {};
    ::GetClassNameW(w, cls, 16);
    if (std::wstring_view(cls) != L"#32770" || !::IsWindowVisible(w)) return TRUE;
    *reinterpret_cast<HWND*>(out) = w;
    return FALSE;
  }
  std::jthread worker_;
};

void Drive(ImageButtons& buttons, skin::Action action,
           skin::ButtonEffect (*step)(skin::ButtonState&)) {
  for (ImageButton& b : buttons.All()) {
    if (b.layout.action != action) continue;
    buttons.Apply(b, step(b.state));
    return;
  }
}

skin::ButtonEffect Enter(skin::ButtonState& s) { return s.Entered(); }
skin::ButtonEffect Leave(skin::ButtonState& s) { return s.Left(true); }
skin::ButtonEffect Press(skin::ButtonState& s) { return s.Press(skin::MouseButton::Left); }
// Released without running the action.
skin::ButtonEffect Release(skin::ButtonState& s) {
  skin::ButtonEffect e = s.Release(skin::MouseButton::Left, true);
  e.click = false;
  return e;
}

}  // namespace

AfterStartHook DemoScreenshotHook() {
  const char* folder = std::getenv("RZFLASH_DEMO_SCREENSHOT");
  if (!folder || !*folder) return nullptr;
  auto watcher = std::make_shared<BoxWatcher>(folder, ::GetCurrentThreadId());
  return [dir = std::string(folder), watcher](app::StartResult, MainWindow& form, Win32Ui& ui,
                                              app::Program& program) {
    ::SetCursorPos(0, 0);  // the real pointer must not hover what the screenshots set
    form.Show();
    Settle(700);
    Shoot(form.Handle(), dir + "/main.bmp");
    ImageButtons& b = form.Buttons();
    if (!b.All().empty()) {
      using skin::Action;
      ui.SetStatus(ui::kStatusBusy);
      Drive(b, Action::Save, Enter);
      Drive(b, Action::Close, Enter);
      Settle(300);
      Shoot(form.Handle(), dir + "/main-hover.bmp");
      Drive(b, Action::Save, Leave);
      Drive(b, Action::Close, Leave);
      Drive(b, Action::Flash, Enter);
      Drive(b, Action::Help, Enter);
      Drive(b, Action::Flash, Press);
      Drive(b, Action::Help, Press);
      Settle(300);
      Shoot(form.Handle(), dir + "/main-pressed.bmp");
      for (Action a : {Action::Help, Action::Flash}) Drive(b, a, Release);
      Drive(b, Action::Flash, Leave);
      Drive(b, Action::Help, Leave);
      form.SetCommandButtonsEnabled(false);
      Settle(300);
      Shoot(form.Handle(), dir + "/main-busy.bmp");
      // A flash part-way through its programming, as the engine reports it.
      ui.ReportProgress(ui::Phase::Programming, 0x9A00, 0x10000);
      Settle(300);
      Shoot(form.Handle(), dir + "/main-progress.bmp");
      form.SetCommandButtonsEnabled(true);
    }
    // The dialogs alone, on the desktop.
    ::ShowWindow(form.Handle(), SW_HIDE);
    {
      SkinDialog msg(form.Handle(), skin::kMessageDialog, program.programFolder);
      msg.SetMessage("Save VGA BIOS completed!!!");
      msg.CentreOnScreen();
      ::ShowWindow(msg.Handle(), SW_SHOW);
      Settle(500);
      Shoot(msg.Handle(), dir + "/msg.bmp");
    }
    {
      SkinDialog yesNo(form.Handle(), skin::kQuestionDialog, program.programFolder);
      yesNo.SetMessage(
          "You must restart your system to take new changes.\nDo you want to restart now ?");
      yesNo.CentreOnScreen();
      ::ShowWindow(yesNo.Handle(), SW_SHOW);
      Settle(300);
      Drive(yesNo.Buttons(), skin::Action::Yes, Enter);
      Settle(300);
      Shoot(yesNo.Handle(), dir + "/yesno.bmp");
    }
    form.Close();
  };
}

}  // namespace rz::win32
