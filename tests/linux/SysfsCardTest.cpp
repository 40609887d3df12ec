// SPDX-License-Identifier: GPL-3.0-or-later
// The program on the sysfs access method, on a fake sysfs tree whose display device is an
// emulated board with the BARs of a real one (16 MiB at BAR0): its resource0 is served by the
// emulated card through the emulated bus, everything else comes from the tree's files. Detection,
// chip identification, a save and a flash go through the real SysfsAccessMethod and
// LinuxDriverDevice.
#include <gtest/gtest.h>

#include "app/Detection.h"
#include "app/Program.h"
#include "backends/linux/access/DirectSysfsFiles.h"
#include "backends/linux/access/LinuxDriverDevice.h"
#include "backends/linux/access/SysfsFilesSlot.h"
#include "commands/FlashCommand.h"
#include "commands/SaveCommand.h"
#include "eeprom/Identify.h"
#include "eeprom/RomWindow.h"
#include "linux/FakeSysfsTree.h"
#include "sim/devices/Cards.h"
#include "sim/devices/NvidiaCard.h"
#include "sim/images/TestImage.h"
#include "sim/scenario/Presets.h"
#include "sim/seams/EmulatedPlatform.h"
#include "support/ProgramRun.h"
#include "support/ScriptedUi.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

namespace lx = platform;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* kCard = "0000:01:00.0";

// Memory of the emulated bus, mapped there for as long as the object lives.
class BusMemory final : public lx::MappedMemory {
 public:
  BusMemory(sim::Machine& machine, std::uint32_t physical, std::uint32_t length)
      : machine_(machine), length_(length) {
    EXPECT_TRUE(machine_.Map(physical, length, linear_));
  }
  ~BusMemory() override { machine_.Unmap(linear_); }
  BusMemory(const BusMemory&) = delete;
  BusMemory& operator=(const BusMemory&) = delete;

  std::uint32_t Length() const override { return length_; }
  std::uint8_t Read8(std::uint32_t offset) override { return machine_.Read8(linear_ + offset); }
  void Write8(std::uint32_t offset, std::uint8_t v) override { machine_.Write8(linear_ + offset, v); }
  std::uint32_t Read32(std::uint32_t offset) override { return machine_.Read32(linear_ + offset); }
  void Write32(std::uint32_t offset, std::uint32_t v) override {
    machine_.Write32(linear_ + offset, v);
  }

 private:
  sim::Machine& machine_;
  std::uint32_t length_;
  std::uint32_t linear_ = 0;
};

// The tree's files; the card's BAR0 is the emulated card's register window at the same address.
// Every map of it is noted as (offset into the BAR, length).
class CardBackedFiles final : public lx::SysfsFiles {
 public:
  CardBackedFiles(const std::string& root, sim::Machine& machine, std::uint32_t bar0)
      : files_(root), machine_(machine), bar0_(bar0) {}

  std::vector<std::string> Devices() const override { return files_.Devices(); }
  int Descriptor(const std::string& device, const std::string& file, bool writable) override {
    return files_.Descriptor(device, file, writable);
  }
  std::optional<std::string> Attribute(const std::string& device,
                                       const std::string& file) const override {
    return files_.Attribute(device, file);
  }
  std::unique_ptr<lx::MappedMemory> MapResource(const std::string& device, int bar,
                                                std::uint64_t offset, std::uint32_t length) override {
    if (device != kCard || bar != 0) return files_.MapResource(device, bar, offset, length);
    maps.emplace_back(offset, length);
    return std::make_unique<BusMemory>(machine_, bar0_ + static_cast<std::uint32_t>(offset), length);
  }

  std::vector<std::pair<std::uint64_t, std::uint32_t>> maps;

 private:
  lx::DirectSysfsFiles files_;
  sim::Machine& machine_;
  std::uint32_t bar0_;
};

// A preset's emulated machine seen through a sysfs tree, with the program started on it.
struct SysfsRun {
  explicit SysfsRun(const std::string& preset)
      : scenario(sim::MaterializePreset(preset, dir.Path().string())), machine(scenario) {
    card = dynamic_cast<sim::NvidiaCard*>(machine.AdapterDevice(0));
    if (!card) return;
    // As on a booted machine: the firmware turned memory decoding on.
    card->ConfigWrite(0x04, 0x0006);
    const sim::PciIdentity& id = card->Identity();
    tree.Add({"0000:00:00.0", 0x8086, 0x29C0, 0x060000, 0, {}, {}});
    tree.Add({kCard, id.vendorId, id.deviceId, id.classCode,
              id.subsystemVendorId | std::uint32_t{id.subsystemId} << 16, {},
              {{0, id.bar0, id.bar0Size},
               {1, id.framebuffer, id.framebufferSize, 0x14220C}}});
    // The configuration space is the card's own.
    std::string config(256, '\0');
    for (std::uint8_t at = 0; at < 0xFC; at += 4) {
      const std::uint32_t v = card->ConfigRead(at);
      for (int i = 0; i < 4; ++i) config[at + i] = static_cast<char>(v >> (8 * i));
    }
    FakeSysfsTree::Write(tree.File(kCard, "config"), config);

    auto backed = std::make_unique<CardBackedFiles>(tree.Root().string(), machine.GetMachine(), id.bar0);
    files = backed.get();
    slot.files = std::move(backed);
    program.detect = app::DetectCard;
    started = program.FormCreate() == app::StartResult::Ready;
  }
  ~SysfsRun() { program.FormDestroy(); }

  Bytes Chip() {
    const auto c = card->Chip()->Contents();
    return {c.begin(), c.end()};
  }

  TempDir dir;
  FakeSysfsTree tree{dir.Path() / "sys"};
  sim::ScenarioRecipe scenario;
  sim::EmulatedPlatform machine;
  sim::NvidiaCard* card = nullptr;
  CardBackedFiles* files = nullptr;
  lx::SysfsFilesSlot slot;
  lx::LinuxDriverDevice device{lx::AccessSources{&slot, {}}, {lx::SysfsAccessRecord()}};
  platform::Platform seams{device,
                           machine.Seams().services,
                           machine.Seams().system,
                           machine.Seams().files,
                           machine.Seams().launcher,
                           machine.Seams().registry,
                           machine.Seams().shutdown,
                           machine.Seams().shell,
                           machine.Seams().interrupts};
  ui::ScriptedUi ui;
  app::Program program{seams, ui};
  bool started = false;
};

// A newer BIOS for the preset's board.
Bytes NewerImage(const sim::ScenarioRecipe& scenario) {
  testimage::ImageRecipe newer;
  newer.lengthByte = 0x04;
  newer.deviceId = scenario.adapters.at(0).deviceId;
  newer.subsystemId = scenario.adapters.at(0).subsystemId;
  newer.block = testimage::RzBlockRecipe{};
  newer.block->number = 5;
  return testimage::BuildImage(newer);
}

TEST(SysfsCard, IdentifySaveAndFlashThroughTheSysfsMethodOnASixteenMebibyteBar0) {
  for (const char* preset : {"nvidia-parallel", "nvidia-spi"}) {
    SCOPED_TRACE(preset);
    SysfsRun run(preset);
    ASSERT_NE(run.card, nullptr);
    ASSERT_EQ(run.card->Identity().bar0Size, 0x1000000u);
    ASSERT_TRUE(run.started) << ::testing::PrintToString(run.ui.Lines());
    ASSERT_EQ(run.device.MethodName(), "sysfs");
    auto ctx = run.program.Commands();

    // Identification: the chip the emulated card carries.
    eeprom::EepromIdentity identity;
    std::uint32_t imageLength = 0;
    auto eepromCtx = run.program.Eeprom();
    EXPECT_EQ(eeprom::GetEepromInfo(eepromCtx, 0, identity, imageLength), 0u);
    const sim::ChipModel& chip = run.card->Chip()->Model();
    EXPECT_EQ(identity.name.rfind(chip.key, 0), 0u) << identity.name << " / " << chip.key;
    EXPECT_EQ(identity.chipSize, chip.size);
    const Bytes before = run.Chip();
    EXPECT_EQ(imageLength, before[2] * 512u);

    // Save: the card's BIOS, byte for byte.
    run.ui.QueueFile(run.dir.File("saved.rom"));
    EXPECT_TRUE(commands::btSaveClick(ctx)) << ::testing::PrintToString(run.ui.Lines());
    const Bytes saved = ReadAll(run.dir.File("saved.rom"));
    ASSERT_EQ(saved.size(), imageLength);
    EXPECT_TRUE(std::equal(saved.begin(), saved.end(), before.begin()));

    // Flash: the chip holds the new image afterwards.
    const Bytes image = NewerImage(run.scenario);
    ASSERT_TRUE(testimage::WriteFile(run.dir.File("new.rom"), image));
    run.ui.QueueFile(run.dir.File("new.rom"));
    EXPECT_EQ(commands::btFlashClick(ctx, commands::StockOffer::Decline),
              commands::FlashOutcome::Completed)
        << ::testing::PrintToString(run.ui.Lines());
    const Bytes after = run.Chip();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), after.begin()));

    // Every window was the program's 32 MiB request served with the 16 MiB BAR0, and nothing
    // went past it.
    ASSERT_FALSE(run.files->maps.empty());
    for (const auto& [offset, length] : run.files->maps) {
      EXPECT_EQ(offset, 0u);
      EXPECT_EQ(length, sim::kCardRegisterSize);
    }
    EXPECT_EQ(run.device.InvalidAccesses(), 0u);
    EXPECT_EQ(run.device.LiveMappings(), 0u);
    EXPECT_EQ(run.machine.GetMachine().LiveMappings(), 0u);
  }
}

}  // namespace
}  // namespace rz::test
