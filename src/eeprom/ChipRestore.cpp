// SPDX-License-Identifier: GPL-3.0-or-later
#include "eeprom/ChipRestore.h"

#include <algorithm>
#include <vector>

#include "eeprom/Programming.h"
#include "eeprom/ReadBack.h"

namespace rz::eeprom {

namespace {

// Every algorithm takes whole multiples of this (the largest page any of them writes).
constexpr std::uint32_t kRestoreUnit = 0x1000;

// The restore's erase, programming and read-back shown as one bar: each is a third of it.
class RestoringUi : public ui::Ui {
 public:
  explicit RestoringUi(ui::Ui& inner) : inner_(inner) {}

  bool MessageBox(const std::string& caption, const std::string& text, ui::Buttons buttons,
                  ui::Icon icon, ui::Owner owner) override {
    return inner_.MessageBox(caption, text, buttons, icon, owner);
  }
  void ShowMessage(const std::string& text) override { inner_.ShowMessage(text); }
  void SkinnedMessage(const std::string& text) override { inner_.SkinnedMessage(text); }
  bool SkinnedQuestion(const std::string& text) override { return inner_.SkinnedQuestion(text); }
  void AnsweredQuestion(const std::string& text, bool answer) override {
    inner_.AnsweredQuestion(text, answer);
  }
  std::optional<std::string> SaveFileDialog(const std::string& title, const std::string& dir,
                                            const std::string& name) override {
    return inner_.SaveFileDialog(title, dir, name);
  }
  std::optional<std::string> OpenFileDialog(const std::string& title,
                                            const std::string& dir) override {
    return inner_.OpenFileDialog(title, dir);
  }
  void SetLabel(ui::Label label, const std::string& text) override { inner_.SetLabel(label, text); }
  void SetStatus(const std::string& text) override { inner_.SetStatus(text); }
  void SetCommandButtonsEnabled(bool enabled) override { inner_.SetCommandButtonsEnabled(enabled); }
  void LoadSkin() override { inner_.LoadSkin(); }
  void SizeWindowToBackground() override { inner_.SizeWindowToBackground(); }
  void ProcessEvents() override { inner_.ProcessEvents(); }
  void MessageRepeated(const std::string& text, std::uint64_t times) override {
    inner_.MessageRepeated(text, times);
  }
  void CopyKept(const ui::KeptCopy& copy) override { inner_.CopyKept(copy); }
  void ReportProgress(ui::Phase phase, std::uint32_t done, std::uint32_t total) override {
    constexpr std::uint32_t kThird = 1000;
    const std::uint32_t stage = phase == ui::Phase::Erasing       ? 0
                                : phase == ui::Phase::Programming ? 1
                                                                  : 2;
    const std::uint32_t within =
        total == ui::kUnknownTotal
            ? 0
            : static_cast<std::uint32_t>(std::uint64_t{std::min(done, total)} * kThird / total);
    inner_.ReportProgress(ui::Phase::Restoring, stage * kThird + within, 3 * kThird);
  }

 private:
  ui::Ui& inner_;
};

}  // namespace

std::uint32_t ProgrammedLength(std::span<const std::uint8_t> contents) {
  const auto last = std::find_if(contents.rbegin(), contents.rend(),
                                 [](std::uint8_t b) { return b != 0xFF; });
  const auto used = static_cast<std::uint32_t>(contents.rend() - last);
  const std::uint32_t rounded = (used + kRestoreUnit - 1) / kRestoreUnit * kRestoreUnit;
  return std::min(rounded, static_cast<std::uint32_t>(contents.size()));
}

bool RestoreChip(EepromContext& ctx, std::uint8_t chipCode, std::span<const std::uint8_t> contents) {
  if (contents.empty()) return false;
  RestoringUi restoringUi(ctx.ui);
  EepromContext restoring{ctx.io,     ctx.system,    ctx.files,     restoringUi,
                          ctx.asics,  ctx.adapters,  ctx.window,    ctx.signature,
                          ctx.modelText, ctx.imageBuffer, ctx.interrupts};
  const hw::FailureWatch watch(ctx.io);
  if (!EraseChip(restoring, chipCode, false) || watch.Failed()) return false;
  const std::uint32_t length = ProgrammedLength(contents);
  if (length > 0 &&
      (ProgramImage(restoring, chipCode, contents.data(), length) != length || watch.Failed()))
    return false;
  std::vector<std::uint8_t> chip;
  const auto size = static_cast<std::uint32_t>(contents.size());
  return ReadWholeChip(restoring, chipCode, size, chip, ui::Phase::Verifying) &&
         !watch.Failed() && std::equal(chip.begin(), chip.end(), contents.begin(), contents.end());
}

}  // namespace rz::eeprom
