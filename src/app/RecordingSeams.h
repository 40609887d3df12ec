// SPDX-License-Identifier: GPL-3.0-or-later
// Decorators that write the platform's user-visible events into a transcript: the vendor tool's
// launch, the restart request, the help file, and the program's standard-output line.
#pragma once
#include "platform/Platform.h"
#include "ui/Transcript.h"

namespace rz::app {

class RecordingToolLauncher final : public platform::ToolLauncher {
 public:
  RecordingToolLauncher(platform::ToolLauncher& inner, ui::Transcript& t) : inner_(inner), t_(t) {}
  platform::LaunchResult RunAndWait(const std::string& path, const std::string& parameters,
                                    const std::string& folder) override {
    t_.Launch(path, parameters);
    return inner_.RunAndWait(path, parameters, folder);
  }
  platform::LaunchResult RunAndWatch(const std::string& path, const std::string& parameters,
                                     const std::string& folder,
                                     const platform::WaitWatch& watch) override {
    t_.Launch(path, parameters);
    return inner_.RunAndWatch(path, parameters, folder, watch);
  }

 private:
  platform::ToolLauncher& inner_;
  ui::Transcript& t_;
};

class RecordingShutdown final : public platform::Shutdown {
 public:
  RecordingShutdown(platform::Shutdown& inner, ui::Transcript& t) : inner_(inner), t_(t) {}
  std::uint32_t GetVersion() override { return inner_.GetVersion(); }
  void EnableShutdownPrivilege() override { inner_.EnableShutdownPrivilege(); }
  bool ExitWindows(std::uint32_t flags, std::uint32_t reason) override {
    t_.Restart();
    return inner_.ExitWindows(flags, reason);
  }

 private:
  platform::Shutdown& inner_;
  ui::Transcript& t_;
};

class RecordingShellOpen final : public platform::ShellOpen {
 public:
  RecordingShellOpen(platform::ShellOpen& inner, ui::Transcript& t) : inner_(inner), t_(t) {}
  void Open(const std::string& path) override {
    t_.Help(path);
    inner_.Open(path);
  }

 private:
  platform::ShellOpen& inner_;
  ui::Transcript& t_;
};

class RecordingSystem final : public platform::System {
 public:
  RecordingSystem(platform::System& inner, ui::Transcript& t) : inner_(inner), t_(t) {}
  std::string ExecutablePath() override { return inner_.ExecutablePath(); }
  bool AnotherInstanceRunning(const std::string& name) override {
    return inner_.AnotherInstanceRunning(name);
  }
  void ReleaseSingleInstance() override { inner_.ReleaseSingleInstance(); }
  void Sleep(std::uint32_t ms) override { inner_.Sleep(ms); }
  std::string GetCurrentDirectory() override { return inner_.GetCurrentDirectory(); }
  bool SetCurrentDirectory(const std::string& path) override {
    return inner_.SetCurrentDirectory(path);
  }
  std::string ScratchDirectory() override { return inner_.ScratchDirectory(); }
  std::uint32_t GetOSVer() override { return inner_.GetOSVer(); }
  platform::LocalTime Now() override { return inner_.Now(); }
  platform::UserFolders GetUserFolders() override { return inner_.GetUserFolders(); }
  void WriteStdoutLine(const std::string& line) override {
    t_.Stdout(line);
    inner_.WriteStdoutLine(line);
  }

 private:
  platform::System& inner_;
  ui::Transcript& t_;
};

// The seams of `inner` with the four recording decorators in place.
class RecordingPlatform {
 public:
  RecordingPlatform(platform::Platform& inner, ui::Transcript& t)
      : launcher_(inner.launcher, t),
        shutdown_(inner.shutdown, t),
        shell_(inner.shell, t),
        system_(inner.system, t),
        seams_{inner.device, inner.services, system_, inner.files,
               launcher_,    inner.registry, shutdown_, shell_, inner.interrupts} {}
  platform::Platform& Seams() { return seams_; }

 private:
  RecordingToolLauncher launcher_;
  RecordingShutdown shutdown_;
  RecordingShellOpen shell_;
  RecordingSystem system_;
  platform::Platform seams_;
};

}  // namespace rz::app
