// SPDX-License-Identifier: GPL-3.0-or-later
// How the emulated vendor flash tool behaves, from the scenario key "vendor_tool":
//   "ok" (default)       does its work;
//   "missing"            cannot be started;
//   "fails"              starts, does nothing, exits with status 1;
//   "silent"             starts, does nothing, exits with status 0;
//   "garbles"            does its work with one byte wrong (the middle byte of the image it
//                        programs or saves is inverted), exits with status 0;
//   {"exit_code": N}     does its work, then exits with status N;
//   {"seconds": S, "as": B}  runs for S virtual seconds, then behaves as B (one of the forms
//                        above; "ok" when left out), e.g. a flash that takes five minutes;
//   {"save": B, "program": B}  B (one of the forms above) for "-s" and for "-p" launches apart,
//                        e.g. a tool that backs the card up but fails to program it;
//   {"launch": N, "as": B}  only the launch numbered N (from 0, every launch of the run) behaves
//                        as B; every other one does its work.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace rz::sim {

// Exit statuses of the emulated tool.
inline constexpr int kToolExitOk = 0;
inline constexpr int kToolExitFailed = 1;      // the operation failed (adapter, file, size)
inline constexpr int kToolExitBadCommand = 2;  // a command line it does not know

struct ToolOutcome {
  enum class Mode { Ok, Missing, Fails, Silent, Garbles };
  Mode mode = Mode::Ok;
  int exitCode = kToolExitOk;  // with Mode::Ok: the status after a successful operation
  std::uint32_t runSeconds = 0;  // virtual time a started tool runs before it ends
};

struct VendorToolBehaviour {
  using Mode = ToolOutcome::Mode;
  ToolOutcome save;     // "-s" and command lines the tool does not know
  ToolOutcome program;  // "-p"
  std::optional<std::uint64_t> onlyLaunch;  // set: the others do their work
  bool NeverStarts() const {
    return !onlyLaunch && save.mode == Mode::Missing && program.mode == Mode::Missing;
  }
  // How launch number `launch` with "-p" (`program`) or another command line behaves.
  ToolOutcome For(std::uint64_t launch, bool programs) const {
    if (onlyLaunch && launch != *onlyLaunch) return {};
    return programs ? program : save;
  }
};

// Reads the value of "vendor_tool" (`path` names it in messages). Throws ScenarioError.
VendorToolBehaviour ParseVendorToolBehaviour(const nlohmann::json& value, const std::string& path);

}  // namespace rz::sim
