// SPDX-License-Identifier: GPL-3.0-or-later
// The whole emulated machine for one program run: bus and cards from a scenario, and every
// platform seam over them. Tests build one per case; the terminal and demo front ends build one
// from a preset or a scenario file.
#pragma once
#include <functional>
#include <memory>
#include <vector>

#include "host/PathLock.h"
#include "platform/Platform.h"
#include "sim/devices/Machine.h"
#include "sim/scenario/Scenario.h"
#include "sim/seams/EmulatedInterruptHold.h"
#include "sim/seams/EmulatedServices.h"
#include "sim/seams/EmulatedSystem.h"
#include "sim/seams/EmulatedVendorTool.h"
#include "sim/seams/Recorders.h"

namespace rz::sim {

class EmulatedPlatform {
 public:
  explicit EmulatedPlatform(ScenarioRecipe recipe,
                            std::shared_ptr<InstanceRegistry> instances = nullptr);
  ~EmulatedPlatform();
  EmulatedPlatform(const EmulatedPlatform&) = delete;
  EmulatedPlatform& operator=(const EmulatedPlatform&) = delete;

  platform::Platform& Seams() { return *seams_; }
  const ScenarioRecipe& Recipe() const { return recipe_; }
  Machine& GetMachine() { return machine_; }
  EmulatedServiceControl& Services() { return services_; }
  EmulatedDriverDevice& Device() { return *device_; }
  EmulatedSystem& System() { return *system_; }
  EmulatedFileSystem& Files() { return *files_; }
  EmulatedToolLauncher& Launcher() { return launcher_; }
  EmulatedRegistry& Registry() { return registry_; }
  RecordingShutdown& Shutdown() { return shutdown_; }
  RecordingShellOpen& Shell() { return shell_; }
  std::shared_ptr<InstanceRegistry> Instances() { return instances_; }
  // The vendor flash tool of the scenario's ATI adapters (the launcher's handler unless missing).
  EmulatedVendorTool& VendorTool() { return *vendorTool_; }

  // The hold of a program run in-process; the machine's interrupt hook delivers into it unless a
  // front end chose its own with UseInterruptHold.
  EmulatedInterruptHold& Interrupts() { return *interrupts_; }
  // Makes `hold` the seams' interrupt hold, and `deliver` what the scenario's interrupt hook
  // calls (a front end running on this machine gives the system's own hold and delivery, so
  // that a test exercises the real handlers). `hold` must outlive this machine's use.
  void UseInterruptHold(platform::InterruptHold& hold,
                        std::function<void(platform::InterruptKind)> deliver);

  // The emulated device of adapter `index` of the scenario.
  PciDevice* AdapterDevice(std::size_t index);
  // Puts `device` in the slot of adapter `index` (tests swap a scenario's card for one of their
  // own); the old device is dropped without writing anything back. Returns the new one.
  PciDevice& ReplaceAdapterDevice(std::size_t index, std::unique_ptr<PciDevice> device);

  // True once an emulated chip lost its power: the whole machine did.
  bool PowerGone();

  // Ends the run: after a power cut the files become what the disk kept (what the program
  // flushed before the cut); cards write back persistent EEPROM images. Throws ScenarioError
  // naming every image that could not be written back (after trying them all). Runs once; the
  // destructor calls it too but cannot report a failure, so front ends call it themselves. A card
  // whose image another run holds writes nothing back.
  void Finish();

  // Whether another run (another process, or another machine of this one) holds the image file
  // of a card of this machine: each persisted image is locked (platform/PathLock.h) before it is
  // read and until it is written back, and the machine's single-instance test reports such a
  // card as another instance.
  bool CardHeldElsewhere() const;

 private:
  void LockPersistedImages();
  void ApplyFaults();
  void InstallVendorTool();
  void FillRegistry();

  ScenarioRecipe recipe_;
  std::shared_ptr<InstanceRegistry> instances_;
  Machine machine_;
  EmulatedServiceControl services_;
  std::unique_ptr<EmulatedDriverDevice> device_;
  std::unique_ptr<EmulatedSystem> system_;
  std::unique_ptr<EmulatedFileSystem> files_;
  EmulatedToolLauncher launcher_;
  EmulatedRegistry registry_;
  RecordingShutdown shutdown_;
  RecordingShellOpen shell_;
  std::unique_ptr<EmulatedInterruptHold> interrupts_;
  std::function<void(platform::InterruptKind)> deliverInterrupt_;
  std::unique_ptr<platform::Platform> seams_;
  std::unique_ptr<EmulatedVendorTool> vendorTool_;
  std::vector<PciDevice*> adapterDevices_;
  // One lock per persisted image, by adapter index (null: the adapter persists nothing).
  std::vector<std::unique_ptr<platform::PathLock>> imageLocks_;
  bool finished_ = false;
};

}  // namespace rz::sim
