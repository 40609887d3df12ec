// SPDX-License-Identifier: GPL-3.0-or-later
#include "Win32TestSupport.h"

#include <algorithm>
#include <filesystem>

#include "sim/scenario/Presets.h"
#include "sim/scenario/Scenario.h"
#include "host/windows/Utf16.h"

namespace rz::win32::test {

using platform::win::Narrow;
using platform::win::Widen;

namespace {

std::string WindowText(HWND w) {
  wchar_t text[1024] = {};
  ::GetWindowTextW(w, text, 1024);
  return Narrow(text);
}

// Notes a visible dialog of the system's (a named stdcall function: 32-bit callbacks need one).
BOOL CALLBACK NoteSystemDialog(HWND w, LPARAM out) {
  wchar_t cls[16] = {};
  ::GetClassNameW(w, cls, 16);
  if (std::wstring_view(cls) == L"#32770" && ::IsWindowVisible(w))
    reinterpret_cast<std::vector<HWND>*>(out)->push_back(w);
  return TRUE;
}

// The dialogs of the system among the thread's visible windows.
std::vector<HWND> SystemDialogs(DWORD thread) {
  std::vector<HWND> found;
  ::EnumThreadWindows(thread, NoteSystemDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

constexpr int kFileNameCombo = 0x47C;  // cmb13 of the explorer-style file dialogs
constexpr int kFileNameEdit = 0x480;   // edt1
constexpr int kMessageText = 0xFFFF;   // the message box's text

}  // namespace

std::string ShippedFolder() { return RZ_WIN32_PROGRAM_DIR; }

void CopySkin(const std::string& folder) {
  std::filesystem::copy(ShippedFolder() + "Skin", std::filesystem::path(folder) / "Skin",
                        std::filesystem::copy_options::recursive |
                            std::filesystem::copy_options::overwrite_existing);
}

void Click(HWND window, const skin::Rect& r) {
  const LPARAM at = MAKELPARAM(r.left + r.width / 2, r.top + r.height / 2);
  ::SendMessageW(window, WM_MOUSEMOVE, 0, at);
  ::SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::SendMessageW(window, WM_LBUTTONUP, 0, at);
}

void ClickButton(MainWindow& form, skin::Action action) {
  for (const skin::ImageButtonLayout& layout : skin::kMainButtons)
    if (layout.action == action) return Click(form.Handle(), layout.rect);
}

Win32Run::Win32Run(nlohmann::json scenario, skin::WindowCommands commands) {
  const std::string folder = dir.Path().string();
  if (!scenario.contains("program_folder")) scenario["program_folder"] = folder;
  if (!scenario.contains("working_directory")) scenario["working_directory"] = folder;
  CopySkin(folder);
  platform = std::make_unique<sim::EmulatedPlatform>(sim::ParseScenario(scenario, folder));
  session = std::make_unique<Win32Session>(platform->Seams(), commands);
}

Win32Run::Win32Run(const std::string& preset, skin::WindowCommands commands) {
  sim::ScenarioRecipe recipe = sim::MaterializePreset(preset, dir.Path().string());
  CopySkin(recipe.programFolder);
  platform = std::make_unique<sim::EmulatedPlatform>(std::move(recipe));
  session = std::make_unique<Win32Session>(platform->Seams(), commands);
}

bool Win32Run::StartShown() {
  if (session->Start() != app::StartResult::Ready) return false;
  session->Form().Show();
  return ::IsWindowVisible(session->Form().Handle()) != FALSE;
}

Answerer::Answerer(std::deque<bool> answers) : answers_(std::move(answers)) { StartWatching(); }

Answerer::Answerer(Win32Session& session, std::string file, std::deque<bool> answers)
    : session_(&session), file_(std::move(file)), answers_(std::move(answers)) {
  session_->Ui().onSkinDialog = [this](SkinDialog& d) {
    skinned.push_back(d.MessageText());
    if (beforeAnswer) beforeAnswer(d);
    const bool question = d.Buttons().Find(skin::Action::Yes) != nullptr;
    const skin::Action press =
        !question ? skin::Action::Ok : NextAnswer() ? skin::Action::Yes : skin::Action::No;
    const skin::Rect r = d.Buttons().Find(press)->layout.rect;
    const LPARAM at = MAKELPARAM(r.left + r.width / 2, r.top + r.height / 2);
    ::PostMessageW(d.Handle(), WM_MOUSEMOVE, 0, at);
    ::PostMessageW(d.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(d.Handle(), WM_LBUTTONUP, 0, at);
  };
  StartWatching();
}

void Answerer::StartWatching() {
  watcher_ = std::jthread([this, thread = ::GetCurrentThreadId()](std::stop_token stop) {
    Watch(stop, thread);
  });
}

Answerer::~Answerer() {
  Stop();
  if (session_) session_->Ui().onSkinDialog = nullptr;
}

void Answerer::Stop() {
  if (!watcher_.joinable()) return;
  watcher_.request_stop();
  watcher_.join();
}

bool Answerer::NextAnswer() {
  std::lock_guard lock(mutex_);
  if (answers_.empty()) return false;
  const bool a = answers_.front();
  answers_.pop_front();
  return a;
}

void Answerer::Watch(std::stop_token stop, DWORD thread) {
  while (!stop.stop_requested()) {
    ::Sleep(20);
    for (HWND dialog : SystemDialogs(thread)) {
      HWND name = ::GetDlgItem(dialog, kFileNameCombo);
      if (!name) name = ::GetDlgItem(dialog, kFileNameEdit);
      int button = IDOK;
      if (name) {
        fileTitles.push_back(WindowText(dialog));
        std::string path = file_;  // as a person types it: with the system's separators
        std::replace(path.begin(), path.end(), '/', '\\');
        ::SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Widen(path).c_str()));
      } else {
        boxes.push_back(WindowText(dialog) + ": " + WindowText(::GetDlgItem(dialog, kMessageText)));
        if (::GetDlgItem(dialog, IDYES)) button = NextAnswer() ? IDYES : IDNO;
      }
      ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(::GetDlgItem(dialog, button)));
      // A window that stays (a file name it refused) is looked at again after a while.
      for (int i = 0; i < 500 && !stop.stop_requested() && ::IsWindowVisible(dialog); ++i)
        ::Sleep(10);
    }
  }
}

}  // namespace rz::win32::test
