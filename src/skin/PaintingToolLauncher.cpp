#include "skin/PaintingToolLauncher.h"

#include <exception>
#include <thread>

namespace rz::skin {

platform::LaunchResult PaintingToolLauncher::RunAndWait(const std::string& path,
                                                        const std::string& parameters,
                                                        const std::string& folder) {
  platform::LaunchResult result;
  std::exception_ptr failure;  // carried back to the window's thread, never lost on the worker
  const std::unique_ptr<EventPump> pump = makePump_();
  {
    // Joined before `result` is read.
    std::jthread worker([&] {
      try {
        result = inner_.RunAndWait(path, parameters, folder);
      } catch (...) {
        failure = std::current_exception();
      }
      pump->Quit();
    });
    pump->Run();
  }
  if (failure) std::rethrow_exception(failure);
  return result;
}

}  // namespace rz::skin
