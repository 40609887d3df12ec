// SPDX-License-Identifier: GPL-3.0-or-later
#include "skin/PaintingToolLauncher.h"

#include <exception>
#include <mutex>
#include <optional>
#include <thread>

namespace rz::skin {

platform::LaunchResult PaintingToolLauncher::RunAndWait(const std::string& path,
                                                        const std::string& parameters,
                                                        const std::string& folder) {
  return RunAndWatch(path, parameters, folder, {});
}

platform::LaunchResult PaintingToolLauncher::RunAndWatch(const std::string& path,
                                                         const std::string& parameters,
                                                         const std::string& folder,
                                                         const platform::WaitWatch& watch) {
  platform::LaunchResult result;
  std::exception_ptr failure;  // carried back to the window's thread, never lost on the worker
  const std::unique_ptr<EventPump> pump = makePump_();
  // What the worker hands to the window's thread: the last interval waited, and the end.
  std::mutex lock;
  std::optional<std::uint64_t> waited;
  bool ended = false;
  platform::WaitWatch relay;
  if (watch.Active())
    relay = {watch.intervalMs, [&](std::uint64_t ms) {
               {
                 const std::lock_guard<std::mutex> hold(lock);
                 waited = ms;
               }
               pump->Quit();
             }};
  {
    // Joined before `result` is read.
    std::jthread worker([&] {
      try {
        result = inner_.RunAndWatch(path, parameters, folder, relay);
      } catch (...) {
        failure = std::current_exception();
      }
      {
        const std::lock_guard<std::mutex> hold(lock);
        ended = true;
      }
      pump->Quit();
    });
    for (;;) {
      pump->Run();
      std::optional<std::uint64_t> told;
      bool done = false;
      {
        const std::lock_guard<std::mutex> hold(lock);
        told = waited;
        waited.reset();
        done = ended;
      }
      if (told && !done) watch.onInterval(*told);
      if (done) break;
    }
  }
  if (failure) std::rethrow_exception(failure);
  return result;
}

}  // namespace rz::skin
