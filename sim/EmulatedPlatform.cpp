#include "sim/EmulatedPlatform.h"

#include <filesystem>

#include "sim/Cards.h"

namespace rz::sim {

using nlohmann::json;

EmulatedPlatform::EmulatedPlatform(ScenarioSpec spec, std::shared_ptr<InstanceRegistry> instances)
    : spec_(std::move(spec)),
      instances_(instances ? std::move(instances) : std::make_shared<InstanceRegistry>()) {
  device_ = std::make_unique<EmulatedDriverDevice>(machine_, services_);
  const std::string cwd = spec_.workingDirectory.empty()
                              ? std::filesystem::current_path().string()
                              : spec_.workingDirectory;
  system_ = std::make_unique<EmulatedSystem>(machine_, instances_,
                                             spec_.programFolder + spec_.executableName, cwd,
                                             spec_.osVersion);
  files_ = std::make_unique<EmulatedFileSystem>(*system_);
  seams_ = std::make_unique<platform::Platform>(platform::Platform{
      *device_, services_, *system_, *files_, launcher_, registry_, shutdown_, shell_});

  for (std::size_t i = 0; i < spec_.adapters.size(); ++i) {
    const auto& a = spec_.adapters[i];
    const std::uint32_t bar0 =
        a.bar0.value_or(0xC0000000u + static_cast<std::uint32_t>(i) * 0x04000000u);
    auto dev = MakeAdapterDevice(a, spec_, machine_, bar0);
    adapterDevices_.push_back(&machine_.AddDevice(a.bus, a.device, std::move(dev)));
  }
  services_.Faults().driverMissing = !spec_.driverPresent;
  ApplyFaults();
}

EmulatedPlatform::~EmulatedPlatform() { Finish(); }

PciDevice* EmulatedPlatform::AdapterDevice(std::size_t index) {
  return index < adapterDevices_.size() ? adapterDevices_[index] : nullptr;
}

void EmulatedPlatform::Finish() {
  if (finished_) return;
  finished_ = true;
  for (PciDevice* d : adapterDevices_) d->Finish();
}

void EmulatedPlatform::ApplyFaults() {
  const json& f = spec_.faults;
  if (f.contains("port_fail_after"))
    machine_.Faults().portFailAfter = ParseNumber(f.at("port_fail_after"), "port_fail_after");
  if (f.contains("map_fail_after"))
    machine_.Faults().mapFailAfter = ParseNumber(f.at("map_fail_after"), "map_fail_after");
  if (f.contains("service_fail"))
    for (const auto& step : f.at("service_fail")) services_.Faults().failing.insert(step.get<std::string>());
  services_.Faults().startAnswersAlreadyRunning = f.value("service_already_running", false);
  if (f.value("leftover_service", false)) services_.InstallLeftoverService(true, "");
  auto names = [&](const char* key, std::set<std::string>& into) {
    if (f.contains(key))
      for (const auto& n : f.at(key)) into.insert(n.get<std::string>());
  };
  names("file_create_fail", files_->Faults().failOpenWrite);
  names("file_write_fail", files_->Faults().failWrite);
  names("file_close_fail", files_->Faults().failClose);
  files_->Faults().failCreateUnique = f.value("temp_file_fail", false);
  files_->Faults().failRename = f.value("rename_fail", false);
}

}  // namespace rz::sim
