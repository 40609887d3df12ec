// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Preflight.h"

#include <cstdlib>
#include <filesystem>

#include "app/ExitCodes.h"
#include "base/Utf8Path.h"
#include "host/PrivateFolder.h"

namespace rz::cli {

namespace fs = std::filesystem;

bool SameFile(const std::string& textA, const std::string& textB) {
  const fs::path a = PathFromUtf8(textA);
  const fs::path b = PathFromUtf8(textB);
  std::error_code ec;
  if (fs::exists(a, ec) && fs::exists(b, ec)) return fs::equivalent(a, b, ec) && !ec;
  // One of them does not exist yet: compare the names they lead to.
  const fs::path pa = fs::weakly_canonical(fs::absolute(a, ec), ec);
  if (ec) return false;
  const fs::path pb = fs::weakly_canonical(fs::absolute(b, ec), ec);
  return !ec && pa == pb;
}

std::optional<PreflightProblem> CheckBeforeRun(const Options& o) {
  const bool withFile = (o.command == Command::Save || o.command == Command::Flash ||
                         o.command == Command::Verify) &&
                        !o.stock;
  const char* const name = o.command == Command::Save    ? "save"
                           : o.command == Command::Flash ? "flash"
                                                         : "verify";
  if (withFile && o.file.empty())
    return PreflightProblem{app::kExitFailed, std::string(name) + " needs a file name, not an empty one"};
  std::error_code ec;
  (void)fs::current_path(ec);
  if (ec)
    return PreflightProblem{
        app::kExitFailed, "the current folder cannot be read (" + ec.message() + "); was it removed?"};
  if (platform::TemporaryRoot().empty()) {
    std::string named;
    for (const char* variable : {"TMPDIR", "TMP", "TEMP"})
      if (const char* value = std::getenv(variable); value && *value && named.empty())
        named = std::string(variable) + " names " + value + ", which is not a folder: ";
    return PreflightProblem{app::kExitFailed, named + "no temporary folder can be made"};
  }
  if (o.transcript) {
    if (withFile && SameFile(*o.transcript, o.file))
      return PreflightProblem{app::kExitUsage, "--transcript names the command's file " + o.file +
                                     "; it would be overwritten by the transcript"};
    if (o.machine && fs::is_regular_file(PathFromUtf8(*o.machine), ec) && SameFile(*o.transcript, *o.machine))
      return PreflightProblem{app::kExitUsage, "--transcript names the scenario file " + *o.machine +
                                     "; it would be overwritten by the transcript"};
  }
  return std::nullopt;
}

}  // namespace rz::cli
