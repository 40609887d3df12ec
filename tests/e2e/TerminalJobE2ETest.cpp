// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash-cli flashing as a job on a terminal, `rzflash-cli ... flash F 2>&1 | tee log` and its
// kin, with real signals and a real pipe: the terminal's Ctrl-C, Ctrl-\ or hang-up reaches the
// whole job and kills the reader first, or the reader quits on its own. The flash runs to its end
// whatever happens to the outputs, the exit status says what happened to the card, and a lost
// output is reported on the one still read. The scenario's hook stops the program (SIGSTOP) at a
// known request of the flash, so that the test acts while the flash is exactly there.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <sstream>
#include <tuple>

#include "CliRunner.h"
#include "FlashHold.h"
#include "Machines.h"
#include "PipedJob.h"

namespace rz::e2e {
namespace {

using nlohmann::json;

constexpr const char* kChip = "AT AT25F512";  // programmed in the serial loop; a small one
constexpr const char* kCompleted = "Flash BIOS completed!!!";
constexpr int kReaderQuits = 0;  // no signal: the reader alone goes away
constexpr int kActions[] = {SIGINT, SIGQUIT, SIGHUP, kReaderQuits};
constexpr Piped kWirings[] = {Piped::Both, Piped::Output, Piped::Error};

std::string LostLine(const char* stream, int code) {
  return std::string("rzflash-cli: ") + stream +
         " was lost (nobody reads it any more, or a write to it failed); the run went on to its "
         "end and its exit status is " +
         std::to_string(code) + "\n";
}

// The erase's first request, the middle of programming and the verification's last read of the
// flash of NewImage() over OldImage() (measured once).
std::uint64_t PointOfTheFlash(int index) {
  static const HoldSpan s = MeasureHold(kChip);
  const std::uint64_t points[] = {s.begin, (s.begin + s.end) / 2, s.end - 1};
  return points[index % 3];
}

using ActionAndWiring = std::tuple<int, int>;  // indices into kActions and kWirings
class TerminalJob : public ::testing::TestWithParam<ActionAndWiring> {};

// Each action meets each wiring once, at a point chosen so that it meets every point too.
TEST_P(TerminalJob, TheFlashEndsAndTheStatusAndTheOutputStillReadSaySo) {
  const int action = kActions[std::get<0>(GetParam())];
  const Piped piped = kWirings[std::get<1>(GetParam())];
  CliSandbox box;
  json m = NvidiaMachine(box, kChip, 0x34C7, OldImage());
  const std::uint64_t at = PointOfTheFlash(std::get<0>(GetParam()) + std::get<1>(GetParam()));
  m["faults"] = {{"interrupt_after_requests", at}, {"interrupt_signal", "SIGSTOP"}};
  box.Write("new.rom", NewImage());
  PipedJob job(RZFLASH_CLI_PATH,
               {"--transcript", box.Path("t.txt"), "--machine", box.WriteScenario("m.json", m),
                "flash", "new.rom"},
               box.Dir(), piped);
  ASSERT_TRUE(job.WaitUntilStopped()) << "the program ended before its stop";
  if (action == kReaderQuits)
    job.EndReader();
  else
    job.SignalJob(action);  // the reader dies of it
  const int code = job.ContinueToEnd();

  const int expected = action == kReaderQuits ? 0 : 130;
  const auto bytes = box.Read("t.txt");
  std::istringstream transcript(std::string(bytes.begin(), bytes.end()));
  Lines lines;
  for (std::string line; std::getline(transcript, line);) lines.push_back(line);
  const std::string unpiped = job.UnpipedText();
  EXPECT_EQ(code, expected) << unpiped;
  EXPECT_TRUE(ChipHolds(box.Read("card.rom"), NewImage()));
  EXPECT_NE(std::find(lines.begin(), lines.end(), std::string("msg: ") + kCompleted), lines.end());
  // A held request asks nothing more; otherwise the restart is offered (and refused: no terminal).
  EXPECT_EQ(std::any_of(lines.begin(), lines.end(),
                        [](const std::string& l) { return l.find(kRestartQuestion) != l.npos; }),
            action == kReaderQuits);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "exit " + std::to_string(expected));
  const std::string notice = action == kReaderQuits ? "" : kHeldNotice;
  if (piped == Piped::Output) {  // standard error still reaches the terminal
    EXPECT_EQ(unpiped, notice + LostLine("standard output", expected));
  } else if (piped == Piped::Error) {  // standard output still does
    EXPECT_NE(unpiped.find(std::string(kCompleted) + "\n"), std::string::npos) << unpiped;
    EXPECT_EQ(Count(unpiped, kHeldNotice), 0u);
    EXPECT_EQ(Count(unpiped, LostLine("standard error", expected)), 1u) << unpiped;
  }
}

std::string CaseName(const ::testing::TestParamInfo<ActionAndWiring>& row) {
  const char* actions[] = {"Sigint", "Sigquit", "Sighup", "ReaderQuits"};
  const char* wirings[] = {"BothPiped", "OutputPiped", "ErrorPiped"};
  return std::string(actions[std::get<0>(row.param)]) + wirings[std::get<1>(row.param)];
}

INSTANTIATE_TEST_SUITE_P(ActionsAndOutputs, TerminalJob,
                         ::testing::Combine(::testing::Values(0, 1, 2, 3),
                                            ::testing::Values(0, 1, 2)),
                         CaseName);

}  // namespace
}  // namespace rz::e2e
#endif
