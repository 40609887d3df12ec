// SPDX-License-Identifier: GPL-3.0-or-later
// The fault matrix: every command that touches the card (start-up, save, flash, verify, the stock
// flash) on every preset card, once without a fault and then with one fault at every moment it
// could strike: each driver request of the command failing (once the chip was touched, each 32nd
// or sparser: each such run ends in a whole restore), the power going after each 32nd (or
// sparser) page or byte the chip programs, each file call failing, map requests failing from each one on, a full
// disk from each file write, a chip stuck busy, stuck cells, and each bad behaviour of the vendor
// tool at each of its launches; and a seeded sample of double faults. Every run must keep the
// invariants of FaultMatrix.h.
//
// Driver requests and power cuts run as forked branches of the fault-free run (PointSweep.h); the
// other faults run from the start. Where runs cannot be forked, the driver requests are sampled
// and the power is cut after every tenth operation.
//
// RZFLASH_FAULT_MATRIX_STRIDE=K branches at every K-th moment only (the sanitizer build's default
// is higher than 1); RZFLASH_FAULT_MATRIX_SEED=N (or "random") picks the double faults and the
// sample; RZFLASH_FAULT_MATRIX_POINT replays one run in-process as printed
// ("nvidia-spi flash request 123456") and prints its transcript.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <tuple>

#include "sim/scenario/Presets.h"
#include "support/FaultMatrix.h"
#include "support/PointSweep.h"

namespace rz::test::matrix {
namespace {

using nlohmann::json;

constexpr std::uint64_t kDefaultSeed = 20260412;
constexpr std::uint64_t kDoubleFaults = 20000;  // over the whole matrix
constexpr std::uint64_t kSampledRequestPoints = 200;  // where runs cannot be forked
constexpr std::uint64_t kUnbranchedDoubles = 10;      // per test, likewise
constexpr std::size_t kPrintedViolations = 5;  // per test, with their transcripts
// A request failing after the chip was touched, or a power cut, costs a whole restore: such
// moments branch at every kWriteStride-th at least, and more sparsely on chips with many moments,
// so that a command has about kWriteBranches of them (the moments before the chip is touched
// branch at every one).
#if defined(__SANITIZE_ADDRESS__)
constexpr std::uint64_t kDefaultStride = 61;
constexpr std::uint64_t kRestoreStride = 64;
constexpr std::uint64_t kWriteStride = 4;
constexpr std::uint64_t kWriteBranches = 100;
#else
constexpr std::uint64_t kDefaultStride = 1;
constexpr std::uint64_t kRestoreStride = 16;
constexpr std::uint64_t kWriteStride = 32;
constexpr std::uint64_t kWriteBranches = 2000;
#endif

struct Settings {
  std::uint64_t stride = kDefaultStride;
  std::uint64_t seed = kDefaultSeed;
  std::optional<Point> only;
};

Settings ReadSettings() {
  Settings s;
  if (const char* v = std::getenv("RZFLASH_FAULT_MATRIX_STRIDE"))
    s.stride = std::max<std::uint64_t>(1, std::strtoull(v, nullptr, 0));
  if (const char* v = std::getenv("RZFLASH_FAULT_MATRIX_SEED"))
    s.seed = std::string(v) == "random" ? std::random_device{}() : std::strtoull(v, nullptr, 0);
  if (const char* v = std::getenv("RZFLASH_FAULT_MATRIX_POINT")) {
    s.only = ParsePoint(v);
    if (!s.only) ADD_FAILURE() << "RZFLASH_FAULT_MATRIX_POINT is no point: " << v;
  }
  return s;
}

// A preset, a command, and which of the command's parts: a flash has hundreds of thousands of
// moments, so its branches are shared among kFlashParts tests that the two cores can take apart.
using Case = std::tuple<std::string, Command, unsigned>;
constexpr unsigned kFlashParts = 4;

unsigned PartsOf(Command c) {
  return c == Command::Flash || c == Command::Stock ? kFlashParts : 1;
}

// Every NVIDIA card and the ATI card, with each command the card can run.
std::vector<Case> MatrixCases() {
  std::vector<Case> cases;
  for (const auto& p : sim::ListPresets()) {
    if (p.name != "ati" && p.name.rfind("nvidia-", 0) != 0) continue;
    for (const Command c : kCommands)
      for (unsigned part = 0; part < PartsOf(c) && HasCommand(p.name, c); ++part)
        cases.emplace_back(p.name, c, part);
  }
  return cases;
}

// The vendor tool's bad behaviours.
const json kToolFaults[] = {"missing", "fails", "silent", "garbles", json{{"exit_code", 3}}};

// The points that run from the start: each map, disk-full and file-call moment, the chip faults,
// the vendor tool's behaviours at each launch; where runs cannot be forked, sampled requests and
// power cuts too.
std::vector<Point> RerunPoints(const Point& base, const Observation& clean, std::mt19937_64& rng) {
  std::vector<Point> points;
  auto add = [&](FaultKind kind, std::uint64_t at = 0, json tool = nullptr) {
    points.push_back(Point{base.preset, base.command, Fault{kind, at, std::move(tool)}, {}});
  };
  for (auto m = clean.mapsBefore; m < clean.mapsAfter; ++m) add(FaultKind::Map, m);
  for (auto w = clean.writesBefore; w < clean.writesAfter; ++w) add(FaultKind::DiskFull, w);
  for (auto c = clean.callsBefore; c < clean.callsAfter; ++c) add(FaultKind::FileCall, c);
  // A tool that garbles what it saves, and says it succeeded, cannot be caught from one save; what
  // it programs is read back.
  for (auto l = clean.launchesBefore; l < clean.toolLaunches.size(); ++l)
    for (const json& tool : kToolFaults)
      if (tool != "garbles" || clean.toolLaunches[l].find("-p ") != std::string::npos)
        add(FaultKind::VendorTool, l, tool);
  if (!clean.chipBefore.empty() && base.preset != "ati") {
    add(FaultKind::StuckBusy);
    std::vector<std::uint64_t> cleared;  // cells the new image clears
    for (std::size_t i = 0; i < clean.chipAfter.size() && clean.operations > 0; ++i)
      if (clean.chipAfter[i] != 0xFF) cleared.push_back(i);
    if (!cleared.empty()) {
      add(FaultKind::StuckCells, cleared.front());
      add(FaultKind::StuckCells, cleared[cleared.size() / 2]);
      add(FaultKind::StuckCells, cleared.back());
    }
  }
  if (CanBranch()) return points;
  const std::uint64_t span = clean.requestsAfter - clean.requestsBefore;
  for (std::uint64_t i = 0; i < std::min(span, kSampledRequestPoints); ++i) {
    const std::uint64_t lo = clean.requestsBefore + span * i / kSampledRequestPoints;
    const std::uint64_t hi = clean.requestsBefore + span * (i + 1) / kSampledRequestPoints;
    add(FaultKind::Request, span <= kSampledRequestPoints ? clean.requestsBefore + i
                                                          : lo + rng() % (hi - lo));
  }
  for (std::uint64_t p = 10; p < clean.operations; p += 10)
    add(FaultKind::PowerCut, clean.operationsBefore + p);
  return points;
}

// Runs, fired faults and invariants held, per fault kind ("double" for two faults).
struct Tally {
  std::uint64_t runs = 0, fired = 0;
  std::map<Invariant, std::uint64_t> held;
};

std::string Transcript(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& l : lines) text += "  | " + l + "\n";
  return text;
}

class FaultMatrix : public testing::TestWithParam<Case> {
 protected:
  void Record(const Verdict& v, bool print) {
    const Point& p = v.point;
    const std::string row = p.second ? "double" : FaultKindName(p.fault.kind);
    const std::string replay = "RZFLASH_FAULT_MATRIX_POINT=\"" + p.Describe() + "\"";
    const auto kind = p.fault.kind;
    // A single fault numbered inside the fault-free run's stretch must strike (with a second one
    // the first may change the road before the first's moment).
    if (!p.second && (kind == FaultKind::Request || kind == FaultKind::Map ||
                      kind == FaultKind::DiskFull || kind == FaultKind::FileCall)) {
      EXPECT_TRUE(v.fired) << replay << ": the fault never happened";
    }
    if (kind == FaultKind::Request && !p.second) {
      EXPECT_EQ(v.failedRequests, 1u) << replay << ": one request fails, no other";
    }
    Tally& t = table_[row];
    ++t.runs;
    t.fired += v.fired;
    for (const Invariant i : kInvariants) t.held[i] += v.violations.count(i) == 0;
    for (const auto& [i, what] : v.violations) {
      auto& b = broken_[{row, i}];
      if (b.first++ == 0) b.second = replay + ": " + what;
    }
    if (print || (!v.violations.empty() && printed_++ < kPrintedViolations)) {
      std::string text = replay;
      for (const auto& [i, what] : v.violations)
        text += std::string("\n  ") + InvariantName(i) + ": " + what;
      std::printf("%s\n%s", text.c_str(), Transcript(v.transcript).c_str());
    }
  }

  void PrintTable(const std::string& name, std::uint64_t points, double seconds) {
    std::printf("fault matrix %s: %llu points in %.1f s (%.0f points/s)\n", name.c_str(),
                static_cast<unsigned long long>(points), seconds,
                seconds > 0 ? static_cast<double>(points) / seconds : 0.0);
    std::printf("%-12s %8s %8s", "fault", "runs", "fired");
    for (const Invariant i : kInvariants) std::printf(" %11s", InvariantName(i));
    std::printf("\n");
    for (auto& [row, t] : table_) {
      std::printf("%-12s %8llu %8llu", row.c_str(), static_cast<unsigned long long>(t.runs),
                  static_cast<unsigned long long>(t.fired));
      for (const Invariant i : kInvariants)
        std::printf(" %11llu", static_cast<unsigned long long>(t.held[i]));
      std::printf("\n");
    }
    std::fflush(stdout);
    for (const auto& [key, b] : broken_)
      ADD_FAILURE() << key.first << ": \"" << InvariantName(key.second) << "\" broken in "
                    << b.first << " runs, first " << b.second;
  }

  std::map<std::string, Tally> table_;
  std::map<std::pair<std::string, Invariant>, std::pair<std::uint64_t, std::string>> broken_;
  std::size_t printed_ = 0;
};

TEST_P(FaultMatrix, EveryFaultKeepsTheInvariants) {
  const auto& [preset, command, part] = GetParam();
  const Settings settings = ReadSettings();
  if (settings.only && (settings.only->preset != preset || settings.only->command != command))
    GTEST_SKIP() << "replaying another point";
  const std::string name = preset + " " + CommandName(command) +
                           (PartsOf(command) > 1 ? " part " + std::to_string(part + 1) : "");
  const Point base{preset, command, {}, {}};
  const auto cleanStart = std::chrono::steady_clock::now();
  const Observation clean = RunPoint(base);
  // A point run from the start costs about this: the rate without branches.
  const std::chrono::duration<double> cleanTook = std::chrono::steady_clock::now() - cleanStart;
  if (!clean.ready && command != Command::Startup) {
    std::printf("%s: start-up ends before the main window\n", name.c_str());
    return;
  }
  std::printf("%s without a fault: %llu driver requests, %llu chip operations, %llu file calls, %s "
              "in %.1f ms (%.0f points/s from the start)\n",
              name.c_str(), static_cast<unsigned long long>(clean.requestsAfter - clean.requestsBefore),
              static_cast<unsigned long long>(clean.operations),
              static_cast<unsigned long long>(clean.callsAfter - clean.callsBefore),
              clean.completed ? "completed" : "failed", cleanTook.count() * 1000,
              1 / std::max(cleanTook.count(), 1e-6));
  Record(Judge(base, clean, clean), false);
  if (settings.only) {
    const Observation o = RunPoint(*settings.only);
    std::printf("%s", Transcript(o.lines).c_str());
    for (const auto& notice : o.failureNotices) std::printf("  failure: %s\n", notice.c_str());
    Record(Judge(*settings.only, o, clean), true);
    PrintTable(name, 1, 0);
    return;
  }

  const auto start = std::chrono::steady_clock::now();
  std::mt19937_64 rng(settings.seed ^ std::hash<std::string>{}(name));
  // Each test's share of the double faults, a tenth over: commands that never get past start-up
  // (a card without its configuration file) draw none.
  const std::uint64_t doubles = kDoubleFaults * 11 / 10 / MatrixCases().size() + 1;
  std::uint64_t points = 0;
  const auto record = [&](const Verdict& v) {
    ++points;
    Record(v, false);
  };
  if (CanBranch()) {
    SweepPlan plan;
    plan.stride = settings.stride * PartsOf(command);
    plan.offset = settings.stride * part;
    plan.doubles = doubles / settings.stride;
    plan.seed = rng();
    plan.restoreStride = kRestoreStride;
    const std::uint64_t moments = clean.requestsAfter - clean.requestsBefore + clean.operations;
    plan.writeStride = std::max(kWriteStride, moments / (settings.stride * kWriteBranches));
    Sweep(base, clean, plan, record);
  }
  // The points run from the start belong to the first part.
  const std::vector<Point> reruns = part == 0 ? RerunPoints(base, clean, rng) : std::vector<Point>{};
  for (std::size_t i = 0; i < reruns.size(); i += settings.stride)
    record(Judge(reruns[i], RunPoint(reruns[i]), clean));
  // Without moments to branch at, the double faults pair the rerun faults (a few only where
  // nothing can branch: each is a whole run).
  if (!CanBranch() || clean.requestsAfter == clean.requestsBefore) {
    const std::uint64_t pairs = CanBranch() ? doubles / settings.stride : kUnbranchedDoubles;
    std::uint64_t made = 0;
    for (std::uint64_t tries = 0; made < pairs && tries < 4 * pairs && reruns.size() > 1; ++tries) {
      Point p = reruns[rng() % reruns.size()];
      const Point& other = reruns[rng() % reruns.size()];
      if (other.fault.kind == p.fault.kind) continue;  // one fault of each kind
      p.second = other.fault;
      record(Judge(p, RunPoint(p), clean));
      ++made;
    }
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  PrintTable(name, points, took.count());
}

// Points the matrix once found broken, replayed in-process on every run whatever the sweep picks.
const char* const kFoundPoints[] = {
    "nvidia-spi flash request 22313 + file-call 26",  // the backup cannot be opened for the hint
    "nvidia-spi verify request 17211",                 // the window's unmap fails after the read
    "nvidia-spi flash file-call 25",                   // closing the flashed file fails
    "nvidia-at25 flash request 88885",                 // the window's unmap ends a good job
    "nvidia-sst25 flash power-cut 197",                // the cut leaves a checksum that holds
};

TEST(FaultMatrixFound, PointsOnceBrokenKeepTheInvariants) {
  for (const char* text : kFoundPoints) {
    const auto point = ParsePoint(text);
    ASSERT_TRUE(point) << text;
    EXPECT_EQ(point->Describe(), text) << "the replay line reads back as written";
    const Observation clean = RunPoint(Point{point->preset, point->command, {}, {}});
    const Observation o = RunPoint(*point);
    EXPECT_TRUE(FaultFired(*point, o)) << text << ": the point no longer strikes where it did";
    for (const auto& [i, what] : Check(*point, o, clean))
      ADD_FAILURE() << text << ": " << InvariantName(i) << ": " << what << "\n"
                    << Transcript(o.lines);
  }
}

INSTANTIATE_TEST_SUITE_P(Presets, FaultMatrix, testing::ValuesIn(MatrixCases()),
                         [](const testing::TestParamInfo<Case>& p) {
                           std::string name = std::get<0>(p.param) + "_" +
                                              CommandName(std::get<1>(p.param));
                           if (PartsOf(std::get<1>(p.param)) > 1)
                             name += "_part" + std::to_string(std::get<2>(p.param) + 1);
                           for (char& c : name)
                             if (c == '-') c = '_';
                           return name;
                         });

}  // namespace
}  // namespace rz::test::matrix
