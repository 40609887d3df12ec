// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/SimHarness.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "base/BuildConfig.h"
#include "host/PrivateFolder.h"

namespace rz::test {

TempDir::TempDir() {
  std::string error;
  const auto made = platform::MakePrivateFolder("rzflash-test-", {}, &error);
  if (!made) throw std::runtime_error(error);
  path_ = *made;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void TempDir::Write(const std::string& name, const std::string& contents) const {
  std::ofstream out(path_ / name, std::ios::binary);
  out << contents;
}

SimHarness::SimHarness(nlohmann::json scenario, std::shared_ptr<sim::InstanceRegistry> instances) {
  if (!scenario.contains("program_folder")) scenario["program_folder"] = dir.Path().string();
  if (!scenario.contains("working_directory")) scenario["working_directory"] = dir.Path().string();
  platform = std::make_unique<sim::EmulatedPlatform>(
      sim::ParseScenario(scenario, dir.Path().string()), std::move(instances));
  program = std::make_unique<app::Program>(platform->Seams(), ui);
}

nlohmann::json Adapter(std::uint8_t bus, std::uint8_t device, std::uint16_t vendor,
                       std::uint16_t deviceId) {
  return nlohmann::json{{"bus", bus},
                        {"device", device},
                        {"vendor_id", vendor},
                        {"device_id", deviceId},
                        {"subsystem_vendor_id", "maker"},
                        {"subsystem_id", 0x34C8}};
}

}  // namespace rz::test
