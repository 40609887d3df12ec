#include "platform/linux/LinuxToolLauncher.h"

#include "platform/linux/Subprocess.h"

namespace rz::platform {

LaunchResult LinuxToolLauncher::RunAndWait(const std::string& path, const std::string& parameters) {
  return SpawnAndWait(path, SplitParameters(parameters));
}

}  // namespace rz::platform
