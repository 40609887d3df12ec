#include "platform/linux/LinuxToolLauncher.h"

#include <unistd.h>

#include <climits>

#include "platform/linux/Subprocess.h"

namespace rz::platform {
namespace {

constexpr const char* kEnterAndRun = "cd -- \"$1\" && shift && exec \"$@\"";

std::string CurrentFolder() {
  char buffer[PATH_MAX];
  return ::getcwd(buffer, sizeof buffer) ? buffer : "";
}

}  // namespace

LaunchResult LinuxToolLauncher::RunAndWait(const std::string& path, const std::string& parameters,
                                           const std::string& folder) {
  if (options_.asRoot) return SpawnAndWait(path, SplitParameters(parameters), folder);
  // Both made independent of the current folder, which pkexec changes; a bare tool name means a
  // file in the folder (as execv takes it), not a program on PATH.
  const std::string here = CurrentFolder();
  const std::string where = folder.empty() ? here : folder[0] == '/' ? folder : here + "/" + folder;
  if (here.empty() || path.empty()) return {};
  const std::string tool = path[0] == '/' ? path : "./" + path;
  std::vector<std::string> args{options_.shell, "-c", kEnterAndRun, "rzflash-tool", where, tool};
  for (auto& word : SplitParameters(parameters)) args.push_back(std::move(word));
  return SpawnAndWait(options_.pkexec, args, folder);
}

}  // namespace rz::platform
