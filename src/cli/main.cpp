// rzflash-cli: the terminal front end. Runs start-up on an emulated machine and reports what it
// found.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/Program.h"
#include "hw/AdapterScan.h"
#include "sim/EmulatedPlatform.h"
#include "sim/Presets.h"
#include "ui/ScriptedUi.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: rzflash-cli --machine PRESET|FILE.json info\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string machine;
  std::string command;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--machine") == 0 && i + 1 < argc) machine = argv[++i];
    else if (command.empty()) command = argv[i];
    else return Usage();
  }
  if (machine.empty() || command != "info") return Usage();

  try {
    std::string folderTemplate =
        (std::filesystem::temp_directory_path() / "rzflash-machine-XXXXXX").string();
    if (!mkdtemp(folderTemplate.data())) return 1;
    const std::string folder = folderTemplate;
    auto spec = rz::sim::IsPreset(machine) ? rz::sim::MaterializePreset(machine, folder)
                                           : rz::sim::LoadScenarioFile(machine);
    rz::ui::ScriptedUi ui;
    int code = 0;
    {
      rz::sim::EmulatedPlatform platform(std::move(spec));
      rz::app::Program program(platform.Seams(), ui);
      program.detect = [](rz::app::Program& p) {
        rz::hw::ScanDisplayAdapters(p.io, p.adapters);
        return true;
      };
      const auto result = program.FormCreate();
      std::printf("driver bring-up: %s\n",
                  result == rz::app::StartResult::DriverFailed ? "failed" : "ok");
      std::printf("adapters: %u\n", program.adapters.count);
      for (std::uint32_t i = 0; i < program.adapters.count; ++i) {
        const auto& a = program.adapters.adapters[i];
        std::printf("  %u: bus %u device %u vendor %04X device %04X subsystem %04X:%04X\n", i, a.bus,
                    a.device, a.VendorId(), a.DeviceId(), a.SubsystemVendorId(), a.SubsystemId());
      }
      program.FormDestroy();
      code = result == rz::app::StartResult::DriverFailed ? 3 : 0;
    }
    for (const auto& line : ui.Lines()) std::printf("%s\n", line.c_str());
    std::filesystem::remove_all(folder);
    return code;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "rzflash-cli: %s\n", e.what());
    return 1;
  }
}
