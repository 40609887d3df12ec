#include "platform/linux/LinuxToolLauncher.h"

#include "platform/linux/Subprocess.h"

namespace rz::platform {

LaunchResult LinuxToolLauncher::RunAndWait(const std::string& path, const std::string& parameters,
                                           const std::string& folder) {
  return SpawnAndWait(path, SplitParameters(parameters), folder);
}

}  // namespace rz::platform
