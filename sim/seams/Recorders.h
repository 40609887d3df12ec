// SPDX-License-Identifier: GPL-3.0-or-later
// Emulated restart, help opener, vendor-tool launcher and registry: they record what the program
// asked for and answer from the scenario.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "platform/ShellOpen.h"
#include "platform/Shutdown.h"
#include "platform/ToolLauncher.h"

namespace rz::sim {

class RecordingShutdown final : public platform::Shutdown {
 public:
  std::uint32_t version = 0x0A280105;  // an NT-family version: top bit clear
  bool refuse = false;                 // the restart request is refused
  std::vector<std::string> calls;      // "GetVersion", "EnablePrivilege", "ExitWindows 6 0"
  std::function<void()> onRestart;     // told when a restart request is accepted

  std::uint32_t GetVersion() override {
    calls.push_back("GetVersion");
    return version;
  }
  void EnableShutdownPrivilege() override { calls.push_back("EnablePrivilege"); }
  bool ExitWindows(std::uint32_t flags, std::uint32_t reason) override {
    calls.push_back("ExitWindows " + std::to_string(flags) + " " + std::to_string(reason));
    if (refuse) return false;
    if (onRestart) onRestart();
    return true;
  }
};

class RecordingShellOpen final : public platform::ShellOpen {
 public:
  std::vector<std::string> opened;
  std::function<void(const std::string&)> onOpen;
  void Open(const std::string& path) override {
    opened.push_back(path);
    if (onOpen) onOpen(path);
  }
};

// Runs an emulated program in place of the outside tool. The handler gets the path, parameters
// and folder and returns the result of the run.
class EmulatedToolLauncher final : public platform::ToolLauncher {
 public:
  // The handler spends the program's run time on the virtual clock, telling the watch as it goes.
  using Handler = std::function<platform::LaunchResult(
      const std::string&, const std::string&, const std::string&, const platform::WaitWatch&)>;
  struct Launch {
    std::string path;
    std::string parameters;
    std::string folder;
  };
  std::vector<Launch> launches;
  Handler handler;  // none: the program cannot be started
  std::function<void(const Launch&)> onLaunch;

  platform::LaunchResult RunAndWait(const std::string& path, const std::string& parameters,
                                    const std::string& folder) override {
    return RunAndWatch(path, parameters, folder, {});
  }
  platform::LaunchResult RunAndWatch(const std::string& path, const std::string& parameters,
                                     const std::string& folder,
                                     const platform::WaitWatch& watch) override {
    launches.push_back({path, parameters, folder});
    if (onLaunch) onLaunch(launches.back());
    if (!handler) return {};
    return handler(path, parameters, folder, watch);
  }
};

// A tree of keys with string values, enumerated in insertion order.
class EmulatedRegistry final : public platform::Registry {
 public:
  // Adds a key (and its parents) and sets a value on it when `name` is not empty.
  void Set(const std::string& keyPath, const std::string& name = "", const std::string& value = "");

  bool OpenKey(const std::string& path) override;
  bool OpenKeyReadOnly(const std::string& path) override { return OpenKey(path); }
  std::vector<std::string> GetKeyNames() override;
  bool ValueExists(const std::string& name) override;
  std::string ReadString(const std::string& name) override;
  void CloseKey() override { open_.clear(); }

 private:
  struct Key {
    std::vector<std::string> children;  // in insertion order
    std::map<std::string, std::string> values;
  };
  static std::string Normal(const std::string& path);
  std::map<std::string, Key> keys_;  // by normalised (upper-case) full path
  std::string open_;
};

}  // namespace rz::sim
