// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash-cli asked to stop while it flashes an emulated card: between the erase and the end of the
// verification SIGINT, SIGTERM, SIGQUIT and SIGHUP (the console events on Windows) are held, the
// flash finishes, the notice is printed once, nothing more is asked and the exit status is 130.
// Before the erase a request to stop still ends the program at once with the card untouched. The
// requests come from the scenario's hook, which raises them the system's way inside the running
// program.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "CliRunner.h"
#include "FlashHold.h"
#include "Machines.h"

namespace rz::e2e {
namespace {

using nlohmann::json;
using testimage::BuildImage;

const char* const kNotice = kHeldNotice;

bool Asks(const CliResult& r) {
  return std::any_of(r.lines.begin(), r.lines.end(), [](const std::string& l) {
    return l.find(kRestartQuestion) != std::string::npos;
  });
}

// Flashes new.rom with requests to stop of `signal` after each of `counts` machine requests.
CliResult FlashInterrupted(CliSandbox& box, const std::string& chip,
                           const std::vector<std::uint64_t>& counts, const std::string& signal) {
  json m = NvidiaMachine(box, chip, 0x34C7, OldImage());
  m["faults"] = {{"interrupt_after_requests", counts}, {"interrupt_signal", signal}};
  const auto scenario = box.WriteScenario("m.json", m);
  box.Write("new.rom", NewImage());
  return box.Run({"--machine", scenario, "flash", "new.rom"});
}

struct Chip {
  const char* name;
};

class HeldDuringFlash : public ::testing::TestWithParam<Chip> {};

// Points from the erase's first request to the verification's last, each kind at several.
TEST_P(HeldDuringFlash, FlashFinishesVerifiedAndTheProgramEndsWith130) {
  const std::string chip = GetParam().name;
  const HoldSpan span = MeasureHold(chip);
  ASSERT_LT(span.begin + 8, span.end);
  const std::uint64_t length = span.end - span.begin;
  struct Point {
    std::vector<std::uint64_t> counts;
    const char* signal;
  };
  const std::vector<Point> points = {
      {{span.begin}, "SIGINT"},                                   // the erase command
      {{span.begin + length / 4}, "SIGTERM"},
      {{span.begin + length / 3}, "SIGQUIT"},                     // Ctrl-\ while programming
      {{span.begin + length / 2}, "SIGINT"},                      // programming
      {{span.begin + length * 2 / 3}, "SIGHUP"},                  // the terminal went away
      {{span.begin + length * 3 / 4, span.begin + length * 3 / 4 + 1}, "SIGTERM"},  // twice
      {{span.end - 1}, "SIGINT"},                                 // the verification's last read
      {{span.end - 1}, "SIGTERM"},
  };
  for (const Point& p : points) {
    SCOPED_TRACE(std::string(p.signal) + " after " + std::to_string(p.counts[0]) + " of " +
                 std::to_string(span.begin) + ".." + std::to_string(span.end));
    CliSandbox box;
    const CliResult r = FlashInterrupted(box, chip, p.counts, p.signal);
    EXPECT_EQ(r.exitCode, 130) << r.err;
    EXPECT_TRUE(ChipHolds(box.Read("card.rom"), NewImage()));
    EXPECT_EQ(Count(r.err, kNotice), 1u) << r.err;
    EXPECT_TRUE(r.Has("msg: Flash BIOS completed!!!"));
    EXPECT_FALSE(Asks(r));
    ASSERT_FALSE(r.lines.empty());
    EXPECT_EQ(r.lines.back(), "exit 130");
  }
}

INSTANTIATE_TEST_SUITE_P(SerialAndParallel, HeldDuringFlash,
                         ::testing::Values(Chip{"PMC PM25LV010"}, Chip{"SST 39VF010"}),
                         [](const auto& row) {
                           return std::string(row.param.name[0] == 'P' ? "Serial" : "Parallel");
                         });

// Before the erase nothing is held: the request ends the program where it is, without a
// transcript, and the card keeps its BIOS.
TEST(BeforeTheErase, ARequestToStopEndsTheProgramAtOnce) {
  const HoldSpan span = MeasureHold("SST 39VF010");
  ASSERT_GT(span.begin, 4u);
  for (const char* signal : {"SIGINT", "SIGTERM"}) {
    for (const std::uint64_t at : {std::uint64_t{2}, span.begin / 2, span.begin - 1}) {
      SCOPED_TRACE(std::string(signal) + " after " + std::to_string(at));
      CliSandbox box;
      const CliResult r = FlashInterrupted(box, "SST 39VF010", {at}, signal);
#ifdef _WIN32
      EXPECT_EQ(static_cast<unsigned>(r.exitCode), 0xC000013Au);  // ended by Ctrl-C
#else
      EXPECT_EQ(r.exitCode, 128 + (std::string(signal) == "SIGINT" ? 2 : 15));
#endif
      EXPECT_TRUE(r.lines.empty());  // the program never got to write it
      EXPECT_EQ(r.err.find("Flashing:"), std::string::npos);
      EXPECT_EQ(box.Read("card.rom"), OldImage());
      // The ended run could not remove its folders; the next run clears them.
      EXPECT_FALSE(box.LeftoverTemporaryFolders().empty());
      EXPECT_EQ(box.Run({"--machine", "nvidia-spi", "info"}).exitCode, 0);
      EXPECT_EQ(box.LeftoverTemporaryFolders(), std::vector<std::string>{});
    }
  }
}

// On the vendor-tool road the hold spans the tool's programming launch and the read-back that
// verifies it: a request to stop while the tool runs lets it finish and then nothing more is asked.
TEST(AtiRoad, ARequestToStopWhileTheToolProgramsIsHeld) {
  for (const bool interrupted : {false, true}) {
    SCOPED_TRACE(interrupted ? "interrupted" : "undisturbed");
    CliSandbox box;
    const auto scenario =
        box.WriteScenario("m.json", AtiMachine(box, 0x21B8, BuildImage(PresetAtiImage())));
    box.Write("new.rom", BuildImage(AtiImage(0x21B8, "RZ-HD485/F3")));
    std::vector<std::string> held;  // parameters of the launches that ran held
    InProcessFlash run(scenario, box.Path("new.rom"),
                       [&](sim::EmulatedPlatform& p, const std::string& parameters) {
                         if (!p.Interrupts().Holding()) return;
                         held.push_back(parameters);
                         if (interrupted) p.Interrupts().Deliver(platform::InterruptKind::Terminate);
                       });
    // The programming launch and the read-back that verifies it; not the backup's save before.
    EXPECT_EQ(held, (std::vector<std::string>{"-p 0 Flash.bin -f -quiet", "-s 0 Verify.bin -quiet"}));
    EXPECT_EQ(run.outcome, commands::FlashOutcome::Completed);
    EXPECT_FALSE(run.platform.Interrupts().Holding());
    EXPECT_EQ(run.platform.Interrupts().Spans().size(), 1u);
    EXPECT_EQ(run.platform.Interrupts().Arrived(), interrupted);
    EXPECT_EQ(run.AskedToRestart(), !interrupted);
  }
}

// A script trusts the transcript: when it cannot be written the run fails and says why.
TEST(Transcript, ThatCannotBeWrittenFailsTheRun) {
  CliSandbox box;
  const CliResult r =
      box.Run({"--machine", "nvidia-spi", "--transcript", box.Path("missing/t.txt"), "info"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("rzflash-cli: cannot write the transcript " + box.Path("missing/t.txt") + ": "),
            std::string::npos)
      << r.err;
  EXPECT_FALSE(box.Exists("missing/t.txt"));
}

}  // namespace
}  // namespace rz::e2e
