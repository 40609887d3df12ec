// SPDX-License-Identifier: GPL-3.0-or-later
// Everything a person sees or answers. Implemented by the Qt front end, the terminal front end
// and a scripted one for tests; they only render: RecordingUi writes the transcript over any.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace rz::ui {

// Caption of the framework's simple message dialogs and text of the taskbar entry.
inline constexpr const char* kApplicationTitle = "Kelvara Ver2.1 B09.0826";
// Status texts shared by start-up and the commands.
inline constexpr const char* kStatusReady = "Ready";
inline constexpr const char* kStatusBusy = "Please wait a moment ...DO NOT shut down this computer";

enum class Buttons { Ok, YesNo };
enum class Icon { None, Error };
enum class Owner { None, MainWindow };
enum class Label { BiosVersion, EepromName, EepromSize };

const char* LabelName(Label label);  // "lBIOSVersion", "lEEPROMName", "lEEPROMSize"

// What a long EEPROM operation is doing: the save's read, the safety backup's whole-chip read
// before a flash, the reads again that check such a copy, the flash's erase, programming and
// read-back comparison, and the writing back of the previous BIOS after a flash that failed.
enum class Phase { Reading, BackingUp, Checking, Erasing, Programming, Verifying, Restoring };

const char* PhaseName(Phase phase);  // "Reading", "Backing up", "Erasing", "Programming", ...

// Progress total of work whose length is unknown (an outside program does it and tells nothing).
inline constexpr std::uint32_t kUnknownTotal = 0;

// How far `done` of `total` units is, in whole percent rounded down (more than `total` counts as
// all of it); nullopt for kUnknownTotal.
std::optional<unsigned> ProgressPercent(std::uint32_t done, std::uint32_t total);

// A copy of the card's BIOS the program kept: the file a save wrote, or the safety backup taken
// before a flash; with the SHA-256 of its bytes and whether the "<file>.sha256" beside it, which
// stores that, could be written.
struct KeptCopy {
  enum class Kind { Saved, SafetyBackup };
  Kind kind = Kind::Saved;
  std::string path;
  std::string sha256;  // 64 lowercase hexadecimal digits
  bool checksumStored = false;
};
const char* KeptCopyKindName(KeptCopy::Kind kind);  // "saved", "safety-backup"

class Ui {
 public:
  virtual ~Ui() = default;

  // The system message box. Returns true when a yes/no box was answered Yes.
  virtual bool MessageBox(const std::string& caption, const std::string& text, Buttons buttons,
                          Icon icon, Owner owner = Owner::None) = 0;
  // The framework's simple message dialog, captioned with the application title, one OK button.
  virtual void ShowMessage(const std::string& text) = 0;
  // The skinned message dialog (TFormMsg): created, shown modally, destroyed.
  virtual void SkinnedMessage(const std::string& text) = 0;
  // The skinned yes/no dialog (TFormYesNo); returns its Answer (false unless Yes was pressed).
  virtual bool SkinnedQuestion(const std::string& text) = 0;

  // A skinned yes/no question that the front end answered itself from the command line: shown
  // with `answer` as if the person had given it; nothing is asked. Default: not shown.
  virtual void AnsweredQuestion(const std::string& text, bool answer) {
    (void)text;
    (void)answer;
  }

  // File dialogs; nullopt when cancelled. They never change the current folder.
  virtual std::optional<std::string> SaveFileDialog(const std::string& title,
                                                    const std::string& initialDir,
                                                    const std::string& initialName) = 0;
  virtual std::optional<std::string> OpenFileDialog(const std::string& title,
                                                    const std::string& initialDir) = 0;

  virtual void SetLabel(Label label, const std::string& text) = 0;
  virtual void SetStatus(const std::string& text) = 0;
  // Something that went wrong beside the command and does not change its result (the history
  // that could not be written). Default: shown as the status.
  virtual void Notice(const std::string& text) { SetStatus(text); }
  // The main window's busy switch: plain command buttons and the six image buttons.
  virtual void SetCommandButtonsEnabled(bool enabled) = 0;

  // Start-up hooks of the main window: skin set-up and sizing to the background picture.
  virtual void LoadSkin() = 0;
  virtual void SizeWindowToBackground() = 0;

  // Lets the framework process pending window events once.
  virtual void ProcessEvents() = 0;

  // At the end of a command: a message that was shown once came `times` more times and was not
  // shown again. Default: not shown.
  virtual void MessageRepeated(const std::string& text, std::uint64_t times) {
    (void)text;
    (void)times;
  }

  // A copy of the card's BIOS was kept. Default: not shown.
  virtual void CopyKept(const KeptCopy& copy) { (void)copy; }
  // Progress of a long EEPROM operation: `done` of `total` units of `phase`, or kUnknownTotal
  // while it runs without telling how far it is. Changes nothing on the bus and is not part of
  // the transcript. Default: not shown.
  virtual void ReportProgress(Phase phase, std::uint32_t done, std::uint32_t total) {
    (void)phase;
    (void)done;
    (void)total;
  }
};

}  // namespace rz::ui
