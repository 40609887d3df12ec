// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the real rzflash-cli (and rzflash-image) as child processes in a private temporary folder,
// with standard input from /dev/null, and hands back the exit status, the printed text and the
// transcript with the run-dependent folders replaced by <dir> and <tmp>.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace rz::e2e {

struct CliResult {
  int exitCode = -1;
  std::string out;                 // standard output
  std::string err;                 // standard error
  std::vector<std::string> lines;  // transcript lines, normalised; empty when none was written
  bool Has(const std::string& line) const;
  // Lines that begin with `prefix`.
  std::vector<std::string> Starting(const std::string& prefix) const;
};

// A folder of its own for one test; the CLI runs with it as current folder and TMPDIR, so a
// preset's machine folder ("<tmp>" in transcripts) lies inside it too.
class CliSandbox {
 public:
  CliSandbox();
  ~CliSandbox();
  CliSandbox(const CliSandbox&) = delete;
  CliSandbox& operator=(const CliSandbox&) = delete;

  const std::string& Dir() const { return dir_; }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  CliResult Run(const std::vector<std::string>& args);
  // The same with another build of the front end at `program` (a copy of it, say).
  CliResult RunAs(const std::string& program, const std::vector<std::string>& args);
  // rzflash-image with these arguments; its exit status.
  int MakeImage(const std::vector<std::string>& args);

  void Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
  void WriteText(const std::string& name, const std::string& text) const;
  // Writes the scenario, on the presets' calendar when it sets none, and returns its path.
  std::string WriteScenario(const std::string& name, const nlohmann::json& scenario) const;
  std::vector<std::uint8_t> Read(const std::string& name) const;
  bool Exists(const std::string& name) const;
  // Folders a run made in the temporary folder and left behind (machine and scratch folders).
  std::vector<std::string> LeftoverTemporaryFolders() const;
  // `line` with this sandbox's folder written <dir> and a machine folder in it written <tmp>.
  std::string Normalise(const std::string& line) const;
  // Normalise for text in which the program wrote paths as they are (its messages, JSON values):
  // on Windows every backslash is first turned into "/".
  std::string NormalisePaths(const std::string& text) const;

 private:
  int Spawn(const char* program, const std::vector<std::string>& args);
  std::string dir_;
};

using Lines = std::vector<std::string>;

}  // namespace rz::e2e
