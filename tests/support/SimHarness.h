// SPDX-License-Identifier: GPL-3.0-or-later
// A program on an emulated machine with a scripted Ui, for tests: build it from JSON, run it,
// inspect the bus, the seams and what the user saw.
#pragma once
#include <filesystem>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "app/Program.h"
#include "sim/seams/EmulatedPlatform.h"
#include "support/ScriptedUi.h"

namespace rz::test {

// A fresh, empty folder under the system's temporary folder, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  // Path of a file in the folder, as text, with the system's own separators ("/" in `name` may
  // stand for it).
  std::string File(const std::string& name) const {
    return (path_ / name).make_preferred().string();
  }
  // The folder as the program keeps its folders: with the system's separator at the end.
  std::string Folder() const { return (path_ / "").make_preferred().string(); }
  void Write(const std::string& name, const std::string& contents) const;

 private:
  std::filesystem::path path_;
};

struct SimHarness {
  // `scenario` is a scenario description; program_folder defaults to the temporary folder.
  explicit SimHarness(nlohmann::json scenario,
                      std::shared_ptr<sim::InstanceRegistry> instances = nullptr);

  TempDir dir;
  std::unique_ptr<sim::EmulatedPlatform> platform;
  ui::ScriptedUi ui;
  std::unique_ptr<app::Program> program;

  sim::Machine& Machine() { return platform->GetMachine(); }
};

// One emulated adapter description with the usual defaults (maker board, PCI Express).
nlohmann::json Adapter(std::uint8_t bus, std::uint8_t device, std::uint16_t vendor,
                       std::uint16_t deviceId);

}  // namespace rz::test
