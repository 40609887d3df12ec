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
#include <functional>
#include <sstream>
#include <tuple>

#include "CliRunner.h"
#include "FlashHold.h"
#include "Machines.h"
#include "PipedJob.h"

namespace rz::e2e {
namespace {

using nlohmann::json;

constexpr const char* kChip = "PMC PM25LV010";  // programmed in the serial loop
constexpr const char* kCompleted = "Flash BIOS completed!!!";

std::string LostLine(const char* stream, int code) {
  return std::string("rzflash-cli: ") + stream +
         " was lost (nobody reads it any more, or a write to it failed); the run went on to its "
         "end and its exit status is " +
         std::to_string(code) + "\n";
}

struct JobResult {
  int exitCode = -1;
  Lines transcript;
  std::string unpiped;  // the output that was not piped
  std::vector<std::uint8_t> card;
};

// Flashes NewImage() as a piped job stopped after `stopAt` machine requests; there `act` is done
// to the job, which then goes on to its end.
JobResult FlashAsJob(std::uint64_t stopAt, Piped piped, const std::function<void(PipedJob&)>& act) {
  CliSandbox box;
  json m = NvidiaMachine(box, kChip, 0x34C7, OldImage());
  m["faults"] = {{"interrupt_after_requests", stopAt}, {"interrupt_signal", "SIGSTOP"}};
  const auto scenario = box.WriteScenario("m.json", m);
  box.Write("new.rom", NewImage());
  PipedJob job(RZFLASH_CLI_PATH,
               {"--transcript", box.Path("t.txt"), "--machine", scenario, "flash", "new.rom"},
               box.Dir(), piped);
  JobResult r;
  if (!job.WaitUntilStopped()) {
    ADD_FAILURE() << "the program ended before its stop";
  } else {
    act(job);
  }
  r.exitCode = job.ContinueToEnd();
  const auto transcript = box.Read("t.txt");
  std::istringstream in(std::string(transcript.begin(), transcript.end()));
  for (std::string line; std::getline(in, line);) r.transcript.push_back(line);
  r.unpiped = job.UnpipedText();
  r.card = box.Read("card.rom");
  return r;
}

bool Has(const Lines& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool AskedToRestart(const Lines& lines) {
  return std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
    return l.find(kRestartQuestion) != std::string::npos;
  });
}

const char* PipedName(Piped p) {
  return p == Piped::Both ? "Both" : p == Piped::Output ? "Output" : "Error";
}

constexpr Piped kWirings[] = {Piped::Both, Piped::Output, Piped::Error};
constexpr int kSignals[] = {SIGINT, SIGQUIT, SIGHUP};

// Where the flash of the serial chip holds requests to stop (measured once).
const HoldSpan& Span() {
  static const HoldSpan span = MeasureHold(kChip);
  return span;
}

// The points of the flash a test acts at: the erase's first request, the middle of programming
// and the verification's last read.
std::uint64_t PointOfTheFlash(int index) {
  const HoldSpan& s = Span();
  const std::uint64_t points[] = {s.begin, (s.begin + s.end) / 2, s.end - 1};
  return points[index % 3];
}

using SignalAndWiring = std::tuple<int, int>;  // indices into kSignals and kWirings
class TerminalSignal : public ::testing::TestWithParam<SignalAndWiring> {};

// The signal reaches the job at one of three points of the flash, chosen so that every signal
// meets every point and every wiring meets every point once; the reader dies of it before the
// program writes again.
TEST_P(TerminalSignal, KillsTheReaderButTheFlashEndsAndSaysSo) {
  const int signal = kSignals[std::get<0>(GetParam())];
  const Piped piped = kWirings[std::get<1>(GetParam())];
  ASSERT_LT(Span().begin + 8, Span().end);
  const std::uint64_t at = PointOfTheFlash(std::get<0>(GetParam()) + std::get<1>(GetParam()));
  SCOPED_TRACE("stopped after " + std::to_string(at) + " of " + std::to_string(Span().begin) +
               ".." + std::to_string(Span().end));
  const JobResult r = FlashAsJob(at, piped, [signal](PipedJob& job) { job.SignalJob(signal); });
  EXPECT_EQ(r.exitCode, 130) << r.unpiped;
  EXPECT_TRUE(ChipHolds(r.card, NewImage()));
  EXPECT_TRUE(Has(r.transcript, std::string("msg: ") + kCompleted));
  EXPECT_FALSE(AskedToRestart(r.transcript));
  ASSERT_FALSE(r.transcript.empty());
  EXPECT_EQ(r.transcript.back(), "exit 130");
  if (piped == Piped::Output) {  // standard error still reaches the terminal
    EXPECT_EQ(r.unpiped, kHeldNotice + LostLine("standard output", 130));
  } else if (piped == Piped::Error) {  // standard output still does
    EXPECT_NE(r.unpiped.find(std::string(kCompleted) + "\n"), std::string::npos) << r.unpiped;
    EXPECT_EQ(Count(r.unpiped, kHeldNotice), 0u);
    EXPECT_EQ(Count(r.unpiped, LostLine("standard error", 130)), 1u) << r.unpiped;
  }
}

INSTANTIATE_TEST_SUITE_P(
    SignalsAndOutputs, TerminalSignal,
    ::testing::Combine(::testing::Values(0, 1, 2), ::testing::Values(0, 1, 2)),
    [](const auto& row) {
      const int s = kSignals[std::get<0>(row.param)];
      return std::string(s == SIGINT ? "Sigint" : s == SIGQUIT ? "Sigquit" : "Sighup") +
             PipedName(kWirings[std::get<1>(row.param)]);
    });

class ReaderQuits : public ::testing::TestWithParam<Piped> {};

// Nobody asks the program to stop: the reader just goes away mid-flash. The flash completes, the
// restart question is asked (and answered No, with no terminal), and the status is 0.
TEST_P(ReaderQuits, TheFlashCompletesWithStatusZero) {
  const Piped piped = GetParam();
  const JobResult r = FlashAsJob(PointOfTheFlash(1), piped, [](PipedJob& job) { job.EndReader(); });
  EXPECT_EQ(r.exitCode, 0) << r.unpiped;
  EXPECT_TRUE(ChipHolds(r.card, NewImage()));
  EXPECT_TRUE(Has(r.transcript, std::string("msg: ") + kCompleted));
  EXPECT_TRUE(AskedToRestart(r.transcript));
  ASSERT_FALSE(r.transcript.empty());
  EXPECT_EQ(r.transcript.back(), "exit 0");
  if (piped == Piped::Output) {
    EXPECT_EQ(r.unpiped, LostLine("standard output", 0));
  } else if (piped == Piped::Error) {
    EXPECT_NE(r.unpiped.find(std::string(kCompleted) + "\n"), std::string::npos) << r.unpiped;
    EXPECT_EQ(Count(r.unpiped, LostLine("standard error", 0)), 1u) << r.unpiped;
  }
}

INSTANTIATE_TEST_SUITE_P(Outputs, ReaderQuits, ::testing::ValuesIn(kWirings),
                         [](const auto& row) { return std::string(PipedName(row.param)); });

}  // namespace
}  // namespace rz::e2e
#endif
