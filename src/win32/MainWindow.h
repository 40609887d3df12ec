// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as a native window: borderless, shaped by its background picture, with the
// yellow labels, the six image buttons that LoadSkin makes, the status panel's progress bar and
// the plain controls of its designed form (below the background, cut off once the window takes
// the background's size).
#pragma once
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "platform/ShellOpen.h"
#include "skin/BusySwitch.h"
#include "skin/Layout.h"
#include "skin/Progress.h"
#include "win32/SkinWindow.h"

namespace rz::win32 {

// Bitmap resources of the programs.
inline constexpr int kMainBackgroundResource = 101;
inline constexpr int kDialogBackgroundResource = 102;

class MainWindow final : public SkinWindow {
 public:
  MainWindow();

  // Creates the six image buttons from ProgramFolder + "Skin/<left>_<top>_<n>.bmp".
  void LoadSkin(const std::string& programFolder);
  // The busy switch (see skin::BusySwitch).
  void SetCommandButtonsEnabled(bool enabled);
  bool CommandRunning() const { return busy_.CommandRunning(); }
  // Progress of the running command in the status panel; ignored while no command runs.
  void ShowProgress(const std::string& phase, std::optional<int> percent);
  const skin::Progress& Progress() const { return progress_; }
  // Called after the progress bar changed what it shows (tests watch it advance).
  std::function<void(const skin::Progress&)> onProgress;
  // Start-up resize to the background picture's size.
  void SizeWindowToBackground();
  // Sets a label's text, shown at once; the labels size themselves to their text.
  void SetLabel(skin::MainLabel label, const std::string& text);
  const std::string& LabelText(skin::MainLabel label) const;
  // Shows the window, centred the first time.
  void Show();
  // Whether the plain control of the design named `name` is enabled.
  bool PlainControlEnabled(const char* name) const;

  void btSaveClick();
  void btFlashClick();
  void ShowHelp();
  // Asks the window to close (refused while a command runs).
  void Close() { ::SendMessageW(Handle(), WM_CLOSE, 0, 0); }

  // Commands the program supplies; null until it does.
  std::function<void()> onSave;
  std::function<void()> onFlash;
  // Runs when the window has closed (ends the event loop).
  std::function<void()> onClosed;
  // An exception from the program's code must not unwind through the window system: it ends the
  // event loop through this, with its text (the first one counts).
  std::function<void(const std::string& text)> onFailure;
  // Opens the help file; null: the help button does nothing.
  platform::ShellOpen* shell = nullptr;
  const std::string& ProgramFolder() const { return programFolder_; }

 protected:
  LRESULT Message(UINT message, WPARAM wParam, LPARAM lParam) override;
  void PaintExtra(HDC dc) override;

 private:
  // Where a label drawn by the window shows its text (the group box's labels are its children).
  RECT LabelArea(skin::MainLabel label, HDC dc) const;
  void PaintProgress(HDC dc);
  void Act(skin::Action action);
  void RunGuarded(const std::function<void()>& action);

  std::string programFolder_;
  skin::BusySwitch busy_;
  skin::Progress progress_;
  std::array<std::string, skin::kMainLabels.size()> labels_;
  std::array<OwnedGdi, skin::kMainLabels.size()> fonts_;
  OwnedGdi formFont_;
  std::array<HWND, skin::kPlainControls.size()> plain_{};
  bool shownOnce_ = false;
};

}  // namespace rz::win32
