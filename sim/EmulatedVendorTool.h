// The emulated vendor flash tool for ATI cards: saves and programs the emulated ATI adapters'
// BIOS through exchange files in the folder it is started in.
#pragma once
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/ToolLauncher.h"
#include "sim/AtiCard.h"
#include "sim/EmulatedSystem.h"

namespace rz::sim {

#ifdef _WIN32
inline constexpr const char* kEmulatedToolRelativePath = "tool\\ATIWinflash.exe";
#else
inline constexpr const char* kEmulatedToolRelativePath = "tool/ATIWinflash";
#endif

// Exit statuses of the emulated tool.
inline constexpr int kToolExitOk = 0;
inline constexpr int kToolExitFailed = 1;      // the operation failed (adapter, file, size)
inline constexpr int kToolExitBadCommand = 2;  // a command line it does not know

// How the tool behaves, from the scenario key "vendor_tool":
//   "ok" (default)       does its work;
//   "missing"            cannot be started;
//   "fails"              starts, does nothing, exits with status 1;
//   "silent"             starts, does nothing, exits with status 0;
//   {"exit_code": N}     does its work, then exits with status N;
//   {"save": B, "program": B}  B (one of the forms above) for "-s" and for "-p" launches apart,
//                        e.g. a tool that backs the card up but fails to program it.
struct ToolOutcome {
  enum class Mode { Ok, Missing, Fails, Silent };
  Mode mode = Mode::Ok;
  int exitCode = kToolExitOk;  // with Mode::Ok: the status after a successful operation
};

struct VendorToolBehaviour {
  using Mode = ToolOutcome::Mode;
  ToolOutcome save;     // "-s" and command lines the tool does not know
  ToolOutcome program;  // "-p"
  bool NeverStarts() const { return save.mode == Mode::Missing && program.mode == Mode::Missing; }
};

VendorToolBehaviour ParseVendorToolBehaviour(const nlohmann::json& scenario);

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
  // emulated system's current folder).
  platform::LaunchResult Run(const std::string& path, const std::string& parameters,
                             const std::string& folder);

 private:
  int Save(AtiCard& card, const std::string& file);
  int Program(AtiCard& card, const std::string& file);

  VendorToolBehaviour behaviour_;
  std::string toolPath_;
  EmulatedSystem& system_;
  std::vector<AtiCard*> cards_;
};

}  // namespace rz::sim
