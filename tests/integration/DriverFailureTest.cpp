// SPDX-License-Identifier: GPL-3.0-or-later
// The flash and save commands on the preset cards (one per programming algorithm) while the
// driver's requests start failing inside identification, erase, programming, or verification and
// the read-back after it. A fault-free run of the same command finds where each phase lies; the
// failing run must end as a failure, show each message at most once and stop soon after.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>

#include "app/Detection.h"
#include "commands/FlashCommand.h"
#include "commands/SaveCommand.h"
#include "platform/driver/DriverProtocol.h"
#include "sim/devices/NvidiaCard.h"
#include "sim/images/TestImage.h"
#include "sim/scenario/Presets.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

using nlohmann::json;

// A failure ends the operation within one serial frame or poll: a few hundred failed requests at
// most, where the driver used to be asked (and a box shown) hundreds of thousands of times.
constexpr std::uint64_t kMaxFailedRequests = 1000;

struct Card {
  const char* preset;
  const char* chip = nullptr;  // replaces the preset's chip
};
const Card kCards[] = {{"nvidia-parallel"}, {"nvidia-parallel", "SST 29EE010"}, {"nvidia-spi"},
                       {"nvidia-sst25"},    {"nvidia-at25"},                    {"nvidia-sst45"}};

// The fault's value per "FAULT PHASE": the requests of that kind that succeed before one fails.
using FailPoints = std::map<std::string, std::uint64_t>;

// The emulated driver device, noting from Arm() on the machine's request counts when the chip
// first answers ids, starts an erase, advances its programming, and when a mapping is undone.
class PhaseProbe : public platform::DriverDevice {
 public:
  PhaseProbe(platform::DriverDevice& inner, sim::Machine& machine, sim::FlashChip& chip)
      : inner_(inner), machine_(machine), chip_(chip) {}
  void Arm() {
    base_ = chip_.Counters();
    armed_ = true;
  }

  // The last request before the chip answered ids or began to erase fails, or the one in the
  // middle of programming; after programming, the first one once the job closed its window.
  FailPoints Points() const {
    FailPoints p;
    if (ids_) p["port_fail_after identification"] = ids_->first - 1;
    if (ids_) p["map_fail_after identification"] = ids_->second - 1;
    if (erase_) p["port_fail_after erase"] = *erase_ - 1;
    if (programs_.empty()) return p;
    p["port_fail_after programming"] = programs_[programs_.size() / 2] - 1;
    const auto after = std::find_if(unmaps_.begin(), unmaps_.end(),
                                    [&](const Unmap& u) { return u.programs == programs_.size(); });
    if (after != unmaps_.end()) p["port_fail_after verification"] = after->ports;
    if (after != unmaps_.end()) p["map_fail_after verification"] = after->maps;
    return p;
  }

  bool Control(platform::DeviceHandle h, std::uint32_t code, const std::uint8_t* in,
               std::uint32_t inSize, std::uint8_t* out, std::uint32_t outSize) override {
    if (armed_) Note(code);
    return inner_.Control(h, code, in, inSize, out, outSize);
  }
  platform::DeviceHandle Open(const std::string& path) override { return inner_.Open(path); }
  void Close(platform::DeviceHandle h) override { inner_.Close(h); }
  std::uint8_t ReadMapped8(std::uint32_t a) override { return inner_.ReadMapped8(a); }
  void WriteMapped8(std::uint32_t a, std::uint8_t v) override { inner_.WriteMapped8(a, v); }
  std::uint32_t ReadMapped32(std::uint32_t a) override { return inner_.ReadMapped32(a); }
  void WriteMapped32(std::uint32_t a, std::uint32_t v) override { inner_.WriteMapped32(a, v); }

 private:
  void Note(std::uint32_t code) {
    const auto& c = chip_.Counters();
    const auto ports = machine_.Counters().portRequests, maps = machine_.Counters().mapRequests;
    if (!ids_ && c.idReads > base_.idReads) ids_ = {ports, maps};
    if (!erase_ && c.chipErases > base_.chipErases) erase_ = ports;
    if (c.programOperations > base_.programOperations) {
      base_.programOperations = c.programOperations;
      programs_.push_back(ports);
    }
    if (code == platform::kIoctlUnmapPhysToLinear) unmaps_.push_back({ports, maps, programs_.size()});
  }

  struct Unmap {
    std::uint64_t ports, maps;
    std::size_t programs;  // program steps seen before it
  };
  platform::DriverDevice& inner_;
  sim::Machine& machine_;
  sim::FlashChip& chip_;
  sim::ChipCounters base_;
  bool armed_ = false;
  std::optional<std::pair<std::uint64_t, std::uint64_t>> ids_;
  std::optional<std::uint64_t> erase_;
  std::vector<std::uint64_t> programs_;
  std::vector<Unmap> unmaps_;
};

struct Outcome {
  bool completed = false;
  std::vector<std::string> lines;  // the command's transcript
  std::uint64_t failedRequests = 0;
  bool earlierFileKept = false;
  FailPoints points;  // where the phases of this run lay
};

// Start-up on the card, then the command: a flash of a newer image of the card's board, or a
// save over an earlier backup.
Outcome RunCommand(const Card& card, bool flash, const json& faults = json::object()) {
  TempDir dir;
  sim::ScenarioRecipe recipe = sim::MaterializePreset(card.preset, dir.Path().string());
  if (card.chip) recipe.adapters.at(0).eeprom->model = *sim::FindChipModel(card.chip);
  if (faults.contains("port_fail_after"))
    recipe.faults.portFailAfter = faults.at("port_fail_after").get<std::uint64_t>();
  if (faults.contains("map_fail_after"))
    recipe.faults.mapFailAfter = faults.at("map_fail_after").get<std::uint64_t>();
  testimage::ImageRecipe newer;
  newer.lengthByte = 0x04;
  newer.deviceId = recipe.adapters[0].deviceId;
  newer.subsystemId = recipe.adapters[0].subsystemId;
  newer.block = testimage::RzBlockRecipe{};
  newer.block->number = 5;
  testimage::WriteFile(dir.File("newer.rom"), testimage::BuildImage(newer));
  dir.Write("backup.rom", "an earlier backup");

  sim::EmulatedPlatform machine(recipe);
  auto& nvidia = dynamic_cast<sim::NvidiaCard&>(*machine.AdapterDevice(0));
  PhaseProbe probe(machine.Device(), machine.GetMachine(), *nvidia.Chip());
  const platform::Platform& s = machine.Seams();
  platform::Platform seams{probe,      s.services, s.system,   s.files,
                           s.launcher, s.registry, s.shutdown, s.shell};
  ui::ScriptedUi ui;
  app::Program program(seams, ui);
  program.detect = app::DetectCard;
  Outcome o;
  if (program.FormCreate() != app::StartResult::Ready) return o;
  ui.GetTranscript().Clear();
  probe.Arm();
  auto ctx = program.Commands();
  ui.QueueFile(dir.File(flash ? "newer.rom" : "backup.rom"));
  o.completed = flash ? commands::btFlashClick(ctx) == commands::FlashOutcome::Completed
                      : commands::btSaveClick(ctx);
  o.lines = ui.Lines();
  o.failedRequests = machine.GetMachine().Counters().failedRequests;
  std::ifstream backup(dir.File("backup.rom"));
  o.earlierFileKept = std::string(std::istreambuf_iterator<char>(backup), {}) == "an earlier backup";
  o.points = probe.Points();
  program.FormDestroy();
  return o;
}

std::size_t Count(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
}

std::map<std::string, std::size_t> BoxCounts(const std::vector<std::string>& lines) {
  std::map<std::string, std::size_t> boxes;
  for (const auto& line : lines)
    if (line.rfind("box ", 0) == 0) ++boxes[line];
  return boxes;
}

TEST(DriverFailure, EveryCommandStopsReportsOnceAndNeverSucceeds) {
  const std::string port = std::string("box \"\" ok none: ") + hw::kPortRequestFailed;
  const std::string map = std::string("box \"\" ok none: ") + hw::kMapRequestFailed;
  const struct {
    bool flash;
    const char* point;     // "FAULT PHASE"
    std::string box;       // the failed request's message box
    const char* expected;  // a line the failing run shows besides
  } rows[] = {
      {true, "port_fail_after identification", port, "box \"\" ok none: Accessing EEPROM error"},
      {true, "port_fail_after erase", port, "dialog: Fail !!"},
      {true, "port_fail_after programming", port,
       "box \"ERROR\" ok error: Programming cycle had an error ... Aborting."},
      {true, "port_fail_after verification", port, "msg: Save Flash BIOS Fail!!!"},
      {true, "map_fail_after identification", map, "box \"\" ok none: Accessing EEPROM error"},
      {true, "map_fail_after verification", map, "msg: Save Flash BIOS Fail!!!"},
      {false, "port_fail_after identification", port, "msg: Save VGA BIOS failed!!!"},
      {false, "map_fail_after identification", map, "msg: Save VGA BIOS failed!!!"},
  };
  for (const Card& card : kCards) {
    const Outcome clean[] = {RunCommand(card, false), RunCommand(card, true)};  // by `flash`
    ASSERT_TRUE(clean[0].completed && clean[1].completed) << card.preset;
    for (const auto& row : rows) {
      SCOPED_TRACE(std::string(card.preset) + " " + (card.chip ? card.chip : "") +
                   (row.flash ? " flash, " : " save, ") + row.point);
      const FailPoints& points = clean[row.flash].points;
      // Page-write chips are erased page by page as they are programmed: no erase of its own.
      if (!points.contains(row.point) && std::string(row.point).ends_with("erase")) continue;
      ASSERT_TRUE(points.contains(row.point));
      const std::string fault(row.point, std::string(row.point).find(' '));
      const Outcome o = RunCommand(card, row.flash, json{{fault, points.at(row.point)}});
      EXPECT_FALSE(o.completed);
      for (const auto& line : o.lines) EXPECT_EQ(line.find("completed!!!"), std::string::npos);
      for (const auto& [box, times] : BoxCounts(o.lines)) EXPECT_EQ(times, 1u) << box;
      EXPECT_EQ(Count(o.lines, row.box), 1u);
      EXPECT_EQ(Count(o.lines, row.expected), 1u);
      EXPECT_LE(o.failedRequests, kMaxFailedRequests);
      EXPECT_TRUE(o.earlierFileKept);
    }
  }
}

}  // namespace
}  // namespace rz::test
