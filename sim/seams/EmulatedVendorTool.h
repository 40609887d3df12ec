// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated vendor flash tool for ATI cards: saves and programs the emulated ATI adapters'
// BIOS through exchange files in the folder it is started in.
#pragma once
#include <string>
#include <vector>

#include "platform/ToolLauncher.h"
#include "sim/devices/AtiCard.h"
#include "sim/seams/EmulatedSystem.h"
#include "sim/seams/VendorToolBehaviour.h"

namespace rz::sim {

#ifdef _WIN32
inline constexpr const char* kEmulatedToolRelativePath = "tool\\ATIWinflash.exe";
#else
inline constexpr const char* kEmulatedToolRelativePath = "tool/ATIWinflash";
#endif

// Started only by the path of the tool in the program folder, and only while that file exists.
// Honours "-s N FILE" (save adapter N's BIOS to FILE) and "-p N FILE -f" (program FILE into
// adapter N), each with an optional "-quiet"; other command lines end with kToolExitBadCommand.
class EmulatedVendorTool {
 public:
  // `programFolder` has its trailing separator; `cards` are the scenario's ATI adapters, in
  // order: adapter number N of the command line is cards[N].
  EmulatedVendorTool(VendorToolBehaviour behaviour, std::string programFolder,
                     EmulatedSystem& system, std::vector<AtiCard*> cards);

  // The launcher's handler. File names on the command line are taken in `folder` (empty: the
  // emulated system's current folder). A started tool first runs for its behaviour's time on the
  // virtual clock, telling `watch` once per interval of it.
  platform::LaunchResult Run(const std::string& path, const std::string& parameters,
                             const std::string& folder, const platform::WaitWatch& watch = {});

 private:
  void SpendRunTime(std::uint32_t seconds, const platform::WaitWatch& watch);
  // `garble`: one byte of what is written or programmed comes out wrong.
  int Save(AtiCard& card, const std::string& file, bool garble);
  int Program(AtiCard& card, const std::string& file, bool garble);

  VendorToolBehaviour behaviour_;
  std::uint64_t launches_ = 0;
  std::string toolPath_;
  EmulatedSystem& system_;
  std::vector<AtiCard*> cards_;
};

}  // namespace rz::sim
