// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers of the native window's tests under Wine: a main window session on the emulated machine,
// clicks sent to the window as the system sends them, and an answerer for the modal windows a
// command opens (the skinned dialogs from their hook, the system's message boxes and file dialogs
// from a watcher thread, as a person would answer them).
#pragma once
#include <deque>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "sim/seams/EmulatedPlatform.h"
#include "support/SimHarness.h"
#include "win32/Win32Main.h"

namespace rz::win32::test {

// The folder with the built Skin/, HELP.CHM and RZFLASH.CFG, with its trailing separator.
std::string ShippedFolder();
// Copies the built Skin folder into `folder`.
void CopySkin(const std::string& folder);

// Sends a move, a left press and a left release to the middle of `rect` (window coordinates);
// returns when the window has handled the release (and the command it started).
void Click(HWND window, const skin::Rect& rect);
void ClickButton(MainWindow& form, skin::Action action);

struct Win32Run {
  explicit Win32Run(nlohmann::json scenario,
                    skin::WindowCommands commands = skin::ProgramCommands());
  Win32Run(const std::string& preset, skin::WindowCommands commands);
  // Starts the program and shows the window; false when the start did not end ready.
  bool StartShown();
  rz::test::TempDir dir;
  std::unique_ptr<sim::EmulatedPlatform> platform;
  std::unique_ptr<Win32Session> session;
};

class Answerer {
 public:
  // File dialogs are answered with `file`, yes/no questions with the next of `answers` (no when
  // they run out), every other window with OK.
  Answerer(Win32Session& session, std::string file, std::deque<bool> answers);
  // The system's dialogs only, of whatever runs on this thread (a whole program run, say).
  explicit Answerer(std::deque<bool> answers = {});
  ~Answerer();
  // Stops watching; what was seen may be read after it.
  void Stop();
  // Runs in each skinned dialog's hook before it is answered.
  std::function<void(SkinDialog&)> beforeAnswer;

  std::vector<std::string> skinned;     // the skinned dialogs' messages
  std::vector<std::string> boxes;       // the message boxes' captions and texts, "caption: text"
  std::vector<std::string> fileTitles;  // the file dialogs' titles

 private:
  bool NextAnswer();
  void Watch(std::stop_token stop, DWORD thread);
  void StartWatching();
  Win32Session* session_ = nullptr;
  std::string file_;
  std::mutex mutex_;
  std::deque<bool> answers_;
  std::jthread watcher_;
};

}  // namespace rz::win32::test
