// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/seams/EmulatedPlatform.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "base/Utf8Path.h"
#include "sim/devices/Cards.h"
#include "sim/devices/NvidiaCard.h"

namespace rz::sim {

EmulatedPlatform::EmulatedPlatform(ScenarioRecipe recipe, std::shared_ptr<InstanceRegistry> instances)
    : recipe_(std::move(recipe)),
      instances_(instances ? std::move(instances) : std::make_shared<InstanceRegistry>()) {
  device_ = std::make_unique<EmulatedDriverDevice>(machine_, services_);
  const std::string cwd = recipe_.workingDirectory.empty()
                              ? Utf8FromPath(std::filesystem::current_path())
                              : recipe_.workingDirectory;
  system_ = std::make_unique<EmulatedSystem>(machine_, instances_,
                                             recipe_.programFolder + recipe_.executableName, cwd,
                                             recipe_.osVersion);
  system_->SetUserFolders(recipe_.userFolders);
  if (recipe_.calendarStart) system_->SetCalendarStart(*recipe_.calendarStart);
  if (recipe_.realCalendar) system_->UseRealCalendar();
  files_ = std::make_unique<EmulatedFileSystem>(*system_);
  // A power cut of an emulated chip is the whole machine's: its disk keeps what was flushed.
  files_->SetPowerGone([this] { return PowerGone(); });
  interrupts_ = std::make_unique<EmulatedInterruptHold>(machine_);
  deliverInterrupt_ = [this](platform::InterruptKind kind) { interrupts_->Deliver(kind); };
  seams_ = std::make_unique<platform::Platform>(platform::Platform{*device_, services_, *system_,
                                                                   *files_, launcher_, registry_,
                                                                   shutdown_, shell_,
                                                                   interrupts_.get()});

  LockPersistedImages();
  for (std::size_t i = 0; i < recipe_.adapters.size(); ++i) {
    const auto& a = recipe_.adapters[i];
    auto dev =
        MakeAdapterDevice(a, machine_, a.bar0.value_or(DefaultBar0(i)), DefaultFramebuffer(i));
    adapterDevices_.push_back(&machine_.AddDevice(a.bus, a.device, std::move(dev)));
  }
  for (const auto& lock : imageLocks_)
    if (lock && lock->GetState() == platform::PathLock::State::Failed)
      throw ScenarioError("cannot lock the eeprom image: " + lock->Error());
  system_->SetAnotherRunHoldsCard(CardHeldElsewhere());
  services_.Faults().driverMissing = !recipe_.driverPresent;
  ApplyFaults();
  InstallVendorTool();
  FillRegistry();
}

EmulatedPlatform::~EmulatedPlatform() {
  try {
    Finish();
  } catch (...) {
    // A destructor must not throw; callers that need to know call Finish() first.
  }
}

void EmulatedPlatform::UseInterruptHold(platform::InterruptHold& hold,
                                        std::function<void(platform::InterruptKind)> deliver) {
  seams_->interrupts = &hold;
  deliverInterrupt_ = std::move(deliver);
}

PciDevice* EmulatedPlatform::AdapterDevice(std::size_t index) {
  return index < adapterDevices_.size() ? adapterDevices_[index] : nullptr;
}

PciDevice& EmulatedPlatform::ReplaceAdapterDevice(std::size_t index,
                                                  std::unique_ptr<PciDevice> device) {
  const AdapterRecipe& a = recipe_.adapters.at(index);
  const std::unique_ptr<PciDevice> old = machine_.RemoveDevice(a.bus, a.device);
  adapterDevices_[index] = &machine_.AddDevice(a.bus, a.device, std::move(device));
  InstallVendorTool();  // the tool may have held the old device
  return *adapterDevices_[index];
}

void EmulatedPlatform::LockPersistedImages() {
  std::vector<std::string> locked;
  for (const AdapterRecipe& a : recipe_.adapters) {
    std::string image;
    if (a.eeprom && a.eeprom->persist) image = a.eeprom->imagePath;
    if (a.vendorId == kAtiVendorId && a.atiEeprom.persist) image = a.atiEeprom.imagePath;
    const bool mine = !image.empty() &&
                      std::find(locked.begin(), locked.end(), image) == locked.end();
    imageLocks_.push_back(mine ? std::make_unique<platform::PathLock>(image) : nullptr);
    if (mine) locked.push_back(image);
  }
}

bool EmulatedPlatform::CardHeldElsewhere() const {
  for (const auto& lock : imageLocks_)
    if (lock && lock->GetState() == platform::PathLock::State::HeldElsewhere) return true;
  return false;
}

bool EmulatedPlatform::PowerGone() {
  for (PciDevice* d : adapterDevices_) {
    auto* card = dynamic_cast<NvidiaCard*>(d);
    if (card && card->Chip() && card->Chip()->PowerCut()) return true;
  }
  return false;
}

void EmulatedPlatform::Finish() {
  if (finished_) return;
  finished_ = true;
  // After a power cut the next start finds only what reached the disk before it.
  if (PowerGone()) files_->LosePower();
  std::string failures;
  for (std::size_t i = 0; i < adapterDevices_.size(); ++i) {
    PciDevice* d = adapterDevices_[i];
    if (i < imageLocks_.size() && imageLocks_[i] && !imageLocks_[i]->Held()) continue;
    try {
      d->Finish();
    } catch (const ScenarioError& e) {
      failures += (failures.empty() ? "" : "; ") + std::string(e.what());
    }
  }
  if (!failures.empty()) throw ScenarioError(failures);
}

void EmulatedPlatform::ApplyFaults() {
  const PlatformFaults& f = recipe_.faults;
  machine_.Faults().portFailAfter = f.portFailAfter;
  machine_.Faults().mapFailAfter = f.mapFailAfter;
  machine_.Faults().failRequestAt = f.requestFailAt;
  services_.Faults().failing = f.serviceFail;
  services_.Faults().startAnswersAlreadyRunning = f.serviceAlreadyRunning;
  if (f.leftoverService) services_.InstallLeftoverService(true, "");
  files_->Faults().failOpenWrite = f.fileCreateFail;
  files_->Faults().failWrite = f.fileWriteFail;
  files_->Faults().failClose = f.fileCloseFail;
  files_->Faults().failCreateUnique = f.tempFileFail;
  files_->Faults().failRename = f.renameFail;
  files_->Faults().diskFullAtWrite = f.diskFullAtWrite;
  files_->Faults().failCallAt = f.fileCallFailAt;
  if (!f.interruptAfter.empty())
    machine_.InterruptAfter(f.interruptAfter,
                            [this, kind = f.interruptKind] { deliverInterrupt_(kind); });
}

void EmulatedPlatform::InstallVendorTool() {
  std::vector<AtiCard*> cards;
  for (PciDevice* d : adapterDevices_)
    if (auto* card = dynamic_cast<AtiCard*>(d)) cards.push_back(card);
  vendorTool_ =
      std::make_unique<EmulatedVendorTool>(recipe_.vendorTool, recipe_.programFolder, *system_, cards);
  if (!recipe_.vendorTool.NeverStarts())
    launcher_.handler = [this](const std::string& path, const std::string& parameters,
                               const std::string& folder, const platform::WaitWatch& watch) {
      return vendorTool_->Run(path, parameters, folder, watch);
    };
}

// Every ATI or NVIDIA adapter appears under Enum\PCI by its hardware id with one instance;
// with a display_driver_version the instance names its driver's class key holding that version.
void EmulatedPlatform::FillRegistry() {
  const std::string enumKey = "SYSTEM\\CurrentControlSet\\Enum\\PCI\\";
  const std::string classKey =
      "SYSTEM\\CurrentControlSet\\Control\\Class\\{4d36e968-e325-11ce-bfc1-08002be10318}\\";
  unsigned index = 0;
  for (const AdapterRecipe& a : recipe_.adapters) {
    if (a.vendorId != kAtiVendorId && a.vendorId != 0x10DE) continue;
    char hardwareId[64], instance[32], driver[8];
    std::snprintf(hardwareId, sizeof hardwareId, "VEN_%04X&DEV_%04X&SUBSYS_%04X%04X&REV_%02X",
                  a.vendorId, a.deviceId, a.subsystemId, a.subsystemVendorId, a.revision);
    std::snprintf(instance, sizeof instance, "4&%X&0&%02X%02X", 0x1C3D0 + index, a.device * 8u,
                  static_cast<unsigned>(a.bus));
    std::snprintf(driver, sizeof driver, "%04u", index % 10000);
    const std::string instanceKey = enumKey + hardwareId + "\\" + instance;
    if (recipe_.displayDriverVersion) {
      registry_.Set(instanceKey, "Driver",
                    std::string("{4d36e968-e325-11ce-bfc1-08002be10318}\\") + driver);
      registry_.Set(classKey + driver, "DriverVersion", *recipe_.displayDriverVersion);
    } else {
      registry_.Set(instanceKey);
    }
    ++index;
  }
}

}  // namespace rz::sim
