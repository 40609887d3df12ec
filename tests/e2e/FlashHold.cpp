// SPDX-License-Identifier: GPL-3.0-or-later
#include "FlashHold.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "CliRunner.h"
#include "Machines.h"
#include "app/Detection.h"
#include "app/Program.h"

namespace rz::e2e {

using testimage::BuildImage;
using testimage::ImageRecipe;

std::vector<std::uint8_t> OldImage() { return BuildImage(PresetNvidiaImage()); }

std::vector<std::uint8_t> NewImage() {
  ImageRecipe s = PresetNvidiaImage();
  s.block->number = 5;
  s.seed = 9;
  return BuildImage(s);
}

bool ChipHolds(const std::vector<std::uint8_t>& chip, const std::vector<std::uint8_t>& image) {
  return chip.size() >= image.size() && std::equal(image.begin(), image.end(), chip.begin()) &&
         std::all_of(chip.begin() + static_cast<long>(image.size()), chip.end(),
                     [](std::uint8_t b) { return b == 0xFF; });
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

InProcessFlash::InProcessFlash(
    const std::string& scenario, const std::string& file,
    std::function<void(sim::EmulatedPlatform&, const std::string&)> onLaunch)
    : platform(sim::LoadScenarioFile(scenario)) {
  if (onLaunch)
    platform.Launcher().onLaunch = [this, onLaunch](const auto& launch) {
      onLaunch(platform, launch.parameters);
    };
  app::Program program(platform.Seams(), ui);
  program.detect = app::DetectCard;
  EXPECT_EQ(program.FormCreate(), app::StartResult::Ready);
  ui.QueueFile(file);
  auto ctx = program.Commands();
  outcome = commands::btFlashClick(ctx);
  program.FormDestroy();
}

bool InProcessFlash::AskedToRestart() const {
  return std::any_of(ui.Lines().begin(), ui.Lines().end(), [](const std::string& l) {
    return l.find(kRestartQuestion) != std::string::npos;
  });
}

HoldSpan MeasureHold(const std::string& chip) {
  CliSandbox box;
  const auto scenario = box.WriteScenario("m.json", NvidiaMachine(box, chip, 0x34C7, OldImage()));
  box.Write("new.rom", NewImage());
  InProcessFlash run(scenario, box.Path("new.rom"));
  EXPECT_EQ(run.outcome, commands::FlashOutcome::Completed);
  const auto& spans = run.platform.Interrupts().Spans();
  EXPECT_EQ(spans.size(), 1u);
  return spans.empty() ? HoldSpan{} : HoldSpan{spans[0].begin, spans[0].end};
}

}  // namespace rz::e2e
