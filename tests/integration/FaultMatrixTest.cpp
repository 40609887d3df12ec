// The fault matrix: the save and the flash command on every preset card with a chip and on the
// ATI preset, each run once without a fault and then with one fault at a time: a driver request
// failing at request k (k sampled across the command's requests from a printed seed; every k with
// RZFLASH_FAULT_MATRIX=full), every map request failing from one on, a chip stuck busy, a cell
// that will not program, a power cut after every tenth page, a full disk at every file write,
// and every way the vendor tool can behave. Every run must keep the invariants of FaultMatrix.h.
//
// RZFLASH_FAULT_MATRIX_SEED=N (or "random") picks the sample; RZFLASH_FAULT_MATRIX_POINT replays
// one run as printed ("nvidia-spi flash request 123456") and prints its transcript.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <tuple>

#include "sim/scenario/Presets.h"
#include "support/FaultMatrix.h"

namespace rz::test::matrix {
namespace {

using nlohmann::json;

constexpr std::uint64_t kDefaultSeed = 20260412;
constexpr std::uint64_t kSampledRequestPoints = 200;
constexpr std::size_t kPrintedViolations = 5;  // per preset, with their transcripts

struct Settings {
  bool full = false;
  std::uint64_t seed = kDefaultSeed;
  std::optional<Point> only;
};

Settings ReadSettings() {
  Settings s;
  if (const char* v = std::getenv("RZFLASH_FAULT_MATRIX")) s.full = std::string(v) == "full";
  if (const char* v = std::getenv("RZFLASH_FAULT_MATRIX_SEED")) {
    s.seed = std::string(v) == "random" ? std::random_device{}() : std::strtoull(v, nullptr, 0);
  }
  if (const char* v = std::getenv("RZFLASH_FAULT_MATRIX_POINT")) {
    s.only = ParsePoint(v);
    if (!s.only) ADD_FAILURE() << "RZFLASH_FAULT_MATRIX_POINT is no point: " << v;
  }
  return s;
}

// The presets the matrix runs on: every NVIDIA card with a chip, and the ATI card.
std::vector<std::string> MatrixPresets() {
  std::vector<std::string> names;
  for (const auto& p : sim::ListPresets()) {
    if (p.name == "ati" || (p.name.rfind("nvidia-", 0) == 0)) names.push_back(p.name);
  }
  return names;
}

// The vendor tool's behaviours, each bad form alone and for one kind of launch only.
std::vector<json> ToolBehaviours() {
  const json bad[] = {"missing", "fails", "silent", json{{"exit_code", 3}}};
  std::vector<json> all;
  for (const json& b : bad) {
    all.push_back(b);
    all.push_back(json{{"save", b}, {"program", "ok"}});
    all.push_back(json{{"save", "ok"}, {"program", b}});
  }
  all.push_back(json{{"exit_code", 0}});
  return all;
}

// Request numbers across [first, end): all of them in a full run, else kSampledRequestPoints
// drawn one from each equal stretch so that the whole command is covered.
std::vector<std::uint64_t> RequestSample(std::uint64_t first, std::uint64_t end, bool full,
                                         std::mt19937_64& rng) {
  std::vector<std::uint64_t> ks;
  const std::uint64_t span = end > first ? end - first : 0;
  if (full || span <= kSampledRequestPoints) {
    for (std::uint64_t k = first; k < end; ++k) ks.push_back(k);
    return ks;
  }
  for (std::uint64_t i = 0; i < kSampledRequestPoints; ++i) {
    const std::uint64_t lo = first + span * i / kSampledRequestPoints;
    const std::uint64_t hi = first + span * (i + 1) / kSampledRequestPoints;
    ks.push_back(lo + rng() % (hi - lo));
  }
  return ks;
}

std::vector<Point> PointsFor(const std::string& preset, Command command, const Observation& clean,
                             const Settings& settings, std::mt19937_64& rng) {
  std::vector<Point> points;
  auto add = [&](FaultKind kind, std::uint64_t at = 0, json tool = nullptr) {
    points.push_back(Point{preset, command, Fault{kind, at, std::move(tool)}});
  };
  for (const auto k : RequestSample(clean.requestsBefore, clean.requestsAfter, settings.full, rng))
    add(FaultKind::Request, k);
  for (auto m = clean.mapsBefore; m < clean.mapsAfter; ++m) add(FaultKind::Map, m);
  for (auto w = clean.writesBefore; w < clean.writesAfter; ++w) add(FaultKind::DiskFull, w);
  if (preset == "ati") {
    for (const json& tool : ToolBehaviours()) add(FaultKind::VendorTool, 0, tool);
    return points;
  }
  add(FaultKind::StuckBusy);
  // Cells the new image clears: the first, one in the middle and the last of them.
  std::vector<std::uint64_t> cleared;
  for (std::size_t i = 0; i < clean.chipAfter.size() && clean.bytesProgrammed > 0; ++i)
    if (clean.chipAfter[i] != 0xFF) cleared.push_back(i);
  if (!cleared.empty()) {
    add(FaultKind::StuckCells, cleared.front());
    add(FaultKind::StuckCells, cleared[cleared.size() / 2]);
    add(FaultKind::StuckCells, cleared.back());
  }
  // A power cut after every tenth page (a byte-program chip has none: 128 bytes count as one).
  constexpr std::uint64_t kBytePage = 128;
  const std::uint64_t pages =
      clean.byteProgramChip ? clean.bytesProgrammed / kBytePage : clean.pageOperations;
  for (std::uint64_t p = 10; p < pages; p += 10)
    add(FaultKind::PowerCut, clean.byteProgramChip ? p * kBytePage : p);
  return points;
}

// Runs, fired faults and invariants held, per command and fault kind.
struct Tally {
  std::uint64_t runs = 0, fired = 0;
  std::map<Invariant, std::uint64_t> held;
};

void PrintTable(const std::string& preset, const Settings& s,
                const std::map<std::pair<Command, FaultKind>, Tally>& table) {
  std::printf("fault matrix %s: seed %llu, %s\n", preset.c_str(),
              static_cast<unsigned long long>(s.seed), s.full ? "every request" : "sampled");
  std::printf("%-6s %-12s %6s %6s", "cmd", "fault", "runs", "fired");
  for (const Invariant i : kInvariants) std::printf(" %11s", InvariantName(i));
  std::printf("\n");
  for (const auto& [key, t] : table) {
    std::printf("%-6s %-12s %6llu %6llu", CommandName(key.first), FaultKindName(key.second),
                static_cast<unsigned long long>(t.runs), static_cast<unsigned long long>(t.fired));
    for (const Invariant i : kInvariants)
      std::printf(" %11llu", static_cast<unsigned long long>(t.held.count(i) ? t.held.at(i) : 0));
    std::printf("\n");
  }
  std::fflush(stdout);
}

std::string Transcript(const Observation& o) {
  std::string text;
  for (const auto& l : o.lines) text += "  | " + l + "\n";
  return text;
}

// Violations of one invariant by runs of one command and fault kind: how many, and the first.
struct Broken {
  std::uint64_t runs = 0;
  std::string first;
};

class FaultMatrix : public testing::TestWithParam<std::string> {};

TEST_P(FaultMatrix, SaveAndFlashKeepTheInvariants) {
  const std::string preset = GetParam();
  const Settings settings = ReadSettings();
  if (settings.only && settings.only->preset != preset) GTEST_SKIP() << "replaying another preset";
  std::mt19937_64 rng(settings.seed ^ std::hash<std::string>{}(preset));
  std::map<std::pair<Command, FaultKind>, Tally> table;
  std::map<std::tuple<Command, FaultKind, Invariant>, Broken> broken;
  std::size_t printed = 0;

  for (const Command command : {Command::Save, Command::Flash}) {
    if (settings.only && settings.only->command != command) continue;
    const Point cleanPoint{preset, command, {}};
    const Observation clean = RunPoint(cleanPoint);
    if (!clean.ready && clean.crash.empty()) {
      // Start-up itself ends the program on this card (no configuration file, for instance):
      // there is no command to run.
      std::printf("%s: start-up ends before the main window, no %s command\n", preset.c_str(),
                  CommandName(command));
      continue;
    }
    std::printf("%s %s without a fault: %llu driver requests, %llu maps, %llu file writes, %s\n",
                preset.c_str(), CommandName(command),
                static_cast<unsigned long long>(clean.requestsAfter - clean.requestsBefore),
                static_cast<unsigned long long>(clean.mapsAfter - clean.mapsBefore),
                static_cast<unsigned long long>(clean.writesAfter - clean.writesBefore),
                clean.completed ? "completed" : "failed");
    std::vector<Point> points{cleanPoint};
    if (settings.only) {
      points = {*settings.only};
    } else {
      const auto faulted = PointsFor(preset, command, clean, settings, rng);
      points.insert(points.end(), faulted.begin(), faulted.end());
    }
    for (const Point& point : points) {
      const Observation o = point.fault.kind == FaultKind::None ? clean : RunPoint(point);
      const bool fired = FaultFired(point, o);
      // The injection hooks must fire inside the range the fault-free run measured.
      const auto kind = point.fault.kind;
      if (kind == FaultKind::Request || kind == FaultKind::Map || kind == FaultKind::DiskFull) {
        EXPECT_TRUE(fired) << point.Describe() << ": the fault never happened";
      }
      if (kind == FaultKind::Request) {
        EXPECT_EQ(o.failedRequests, 1u) << point.Describe() << ": one request fails, no other";
      }
      const auto violations = Check(point, o, clean);
      Tally& t = table[{command, kind}];
      ++t.runs;
      t.fired += fired;
      for (const Invariant i : kInvariants) t.held[i] += violations.count(i) == 0;
      const std::string replay = "RZFLASH_FAULT_MATRIX_POINT=\"" + point.Describe() + "\"";
      for (const auto& [i, what] : violations) {
        Broken& b = broken[{command, kind, i}];
        if (b.runs++ == 0) b.first = replay + ": " + what;
      }
      if (settings.only || (!violations.empty() && printed++ < kPrintedViolations)) {
        std::string text = replay;
        for (const auto& [i, what] : violations)
          text += std::string("\n  ") + InvariantName(i) + ": " + what;
        std::printf("%s\n%s", text.c_str(), Transcript(o).c_str());
      }
    }
  }
  PrintTable(preset, settings, table);
  for (const auto& [key, b] : broken)
    ADD_FAILURE() << CommandName(std::get<0>(key)) << " " << FaultKindName(std::get<1>(key))
                  << ": \"" << InvariantName(std::get<2>(key)) << "\" broken in " << b.runs
                  << " runs, first " << b.first;
}

INSTANTIATE_TEST_SUITE_P(Presets, FaultMatrix, testing::ValuesIn(MatrixPresets()),
                         [](const testing::TestParamInfo<std::string>& p) {
                           std::string name = p.param;
                           for (char& c : name)
                             if (c == '-') c = '_';
                           return name;
                         });

}  // namespace
}  // namespace rz::test::matrix
