// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/Win32Main.h"

#include <exception>

#include "app/ExitCodes.h"
#include "host/windows/Utf16.h"
#include "win32/Win32EventPump.h"

namespace rz::win32 {

using platform::win::Narrow;
using platform::win::Widen;

Win32Session::Win32Session(platform::Platform& platform, const skin::WindowCommands& commands)
    : form_(std::make_unique<MainWindow>()) {
  ui_ = std::make_unique<Win32Ui>(
      *form_, [this] { return session_ ? session_->Program().programFolder : ""; });
  session_ = std::make_unique<skin::WindowSession>(
      platform, *ui_, commands, [] { return std::make_unique<Win32EventPump>(); },
      [](int code) { ::PostQuitMessage(code); });
  form_->shell = &session_->Program().Seams().shell;
  form_->onSave = [session = session_.get()] { session->Save(); };
  form_->onFlash = [session = session_.get()] { session->Flash(); };
  form_->onClosed = [] { ::PostQuitMessage(app::kExitOk); };
  form_->onFailure = [this](const std::string& text) {
    if (!failure_) failure_ = text;
    ::PostQuitMessage(app::kExitOk);
  };
}

Win32Session::~Win32Session() { session_.reset(); }

namespace {

void ShowException(const std::string& text) {
  ::MessageBoxW(nullptr, Widen(text).c_str(), Widen(ui::kApplicationTitle).c_str(),
                MB_OK | MB_ICONERROR);
}

int Run(Win32Session& session, const AfterStartHook& afterStart) {
  const app::StartResult started = session.Start();
  if (started == app::StartResult::SecondInstance ||
      started == app::StartResult::EndedByDetection)
    return app::kExitOk;
  if (afterStart) afterStart(started, session.Form(), session.Ui(), session.Program());
  session.Form().Show();
  MSG msg;
  BOOL got;
  while ((got = ::GetMessageW(&msg, nullptr, 0, 0)) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return got == 0 ? static_cast<int>(msg.wParam) : app::kExitOk;
}

}  // namespace

int RunWin32Gui(platform::Platform& platform, const skin::WindowCommands& commands,
                const AfterStartHook& afterStart) {
  int code = app::kExitOk;
  std::optional<std::string> failure;
  try {
    Win32Session session(platform, commands);
    code = Run(session, afterStart);
    failure = session.Failure();
  } catch (const std::exception& e) {
    failure = e.what();
  } catch (...) {
    failure = std::string();
  }
  if (failure) ShowException(*failure);
  return code;
}

}  // namespace rz::win32
