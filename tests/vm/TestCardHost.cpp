// SPDX-License-Identifier: GPL-3.0-or-later
#include "vm/TestCardHost.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/BuildConfig.h"

namespace rz::vmtest {
namespace {

constexpr std::uint32_t kNvidia = 0x10DE;
constexpr std::uint32_t kChip = 0x0611;
constexpr std::uint32_t kBoard = 0x0001;

std::string Setting(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

class TestCardHost final : public platform::HostPlatform {
 public:
  TestCardHost(std::unique_ptr<platform::HostPlatform> inner, std::optional<PciSlot> slot,
               std::string scanLog)
      : inner_(std::move(inner)),
        device_(inner_->Seams().device, slot, TestCardIds()),
        seams_(WithDevice(inner_->Seams(), device_)),
        scanLog_(std::move(scanLog)) {}

  ~TestCardHost() override {
    if (scanLog_.empty()) return;
    if (std::FILE* f = std::fopen(scanLog_.c_str(), "w")) {
      for (const PciSlot& s : device_.AnsweringSlots())
        std::fprintf(f, "scan %s\n", SlotName(s).c_str());
      for (const std::string& line : device_.MapLog()) std::fprintf(f, "%s\n", line.c_str());
      std::fclose(f);
    }
  }

  platform::Platform& Seams() override { return seams_; }
  std::string DescribeAccessProblem() override { return inner_->DescribeAccessProblem(); }

 private:
  static platform::Platform WithDevice(const platform::Platform& p, platform::DriverDevice& d) {
    return {d, p.services, p.system, p.files, p.launcher, p.registry, p.shutdown, p.shell,
            p.interrupts};
  }

  std::unique_ptr<platform::HostPlatform> inner_;
  TestCardDevice device_;
  platform::Platform seams_;
  std::string scanLog_;
};

}  // namespace

CardIds TestCardIds() {
  return {kChip << 16 | kNvidia, kBoard << 16 | kMakerSubsystemVendorId};
}

std::unique_ptr<platform::HostPlatform> WithTestCard(std::unique_ptr<platform::HostPlatform> host) {
  const std::string slotText = Setting("RZFLASH_TEST_CARD");
  std::optional<PciSlot> slot;
  if (!slotText.empty()) {
    slot = ParseSlot(slotText);
    if (!slot) std::fprintf(stderr, "RZFLASH_TEST_CARD: not a slot (BB:DD.F): %s\n", slotText.c_str());
  }
  return std::make_unique<TestCardHost>(std::move(host), slot, Setting("RZFLASH_TEST_LOG"));
}

}  // namespace rz::vmtest
