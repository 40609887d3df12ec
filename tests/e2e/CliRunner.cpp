// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliRunner.h"

#include "ChildProcess.h"
#include "host/PrivateFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <stdexcept>

#ifndef RZFLASH_CLI_PATH
#error "RZFLASH_CLI_PATH must name the rzflash-cli executable"
#endif
#ifndef RZFLASH_IMAGE_PATH
#error "RZFLASH_IMAGE_PATH must name the rzflash-image executable"
#endif

namespace rz::e2e {

namespace fs = std::filesystem;

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Replace(std::string& s, const std::string& from, const std::string& to) {
  for (std::size_t pos = 0; (pos = s.find(from, pos)) != std::string::npos; pos += to.size())
    s.replace(pos, from.size(), to);
}

}  // namespace

bool CliResult::Has(const std::string& line) const {
  for (const auto& l : lines)
    if (l == line) return true;
  return false;
}

std::vector<std::string> CliResult::Starting(const std::string& prefix) const {
  std::vector<std::string> found;
  for (const auto& l : lines)
    if (l.rfind(prefix, 0) == 0) found.push_back(l);
  return found;
}

CliSandbox::CliSandbox() {
  std::string error;
  const auto made = platform::MakePrivateFolder("rz-e2e-", {}, &error);
  if (!made) throw std::runtime_error(error);
  dir_ = fs::canonical(*made).string();
}

CliSandbox::~CliSandbox() {
  std::error_code ec;
  fs::remove_all(dir_, ec);
}

int CliSandbox::Spawn(const char* program, const std::vector<std::string>& args) {
  return RunChild(program, args, dir_, Path(".stdout"), Path(".stderr"));
}

std::string CliSandbox::Normalise(const std::string& line) const {
  std::string s = line;
#ifdef _WIN32
  // Paths come with the system's separator, which the transcript writes escaped ("\\"); the
  // expectations use "/".
  Replace(s, "\\\\", "/");
  std::string dir = dir_;
  for (char& c : dir)
    if (c == '\\') c = '/';
  Replace(s, dir, "<dir>");
#else
  Replace(s, dir_, "<dir>");
#endif
  static const std::regex machine("<dir>/rzflash-machine-[A-Za-z0-9]{6,8}");
  // A kept copy's digest depends on the image; the tests of the copies check it against the file.
  static const std::regex digest("^(kept [a-z-]+ sha256 )[0-9a-f]{64}");
  return std::regex_replace(std::regex_replace(s, machine, "<tmp>"), digest, "$1<sha256>");
}

CliResult CliSandbox::Run(const std::vector<std::string>& args) {
  return RunAs(RZFLASH_CLI_PATH, args);
}

CliResult CliSandbox::RunAs(const std::string& program, const std::vector<std::string>& args) {
  const std::string transcript = Path(".transcript");
  std::error_code ec;
  fs::remove(transcript, ec);
  std::vector<std::string> all{"--transcript", transcript};
  all.insert(all.end(), args.begin(), args.end());
  CliResult r;
  r.exitCode = Spawn(program.c_str(), all);
  r.out = Slurp(Path(".stdout"));
  r.err = Slurp(Path(".stderr"));
  std::istringstream in(Slurp(transcript));
  for (std::string line; std::getline(in, line);) r.lines.push_back(Normalise(line));
  return r;
}

std::string CliSandbox::NormalisePaths(const std::string& text) const {
  std::string s = text;
#ifdef _WIN32
  for (char& c : s)
    if (c == '\\') c = '/';
#endif
  return Normalise(s);
}

int CliSandbox::MakeImage(const std::vector<std::string>& args) {
  return Spawn(RZFLASH_IMAGE_PATH, args);
}

void CliSandbox::Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
  fs::create_directories(fs::path(Path(name)).parent_path());
  std::ofstream(Path(name), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void CliSandbox::WriteText(const std::string& name, const std::string& text) const {
  fs::create_directories(fs::path(Path(name)).parent_path());
  std::ofstream(Path(name), std::ios::binary) << text;
}

std::string CliSandbox::WriteScenario(const std::string& name, const nlohmann::json& scenario) const {
  // On the presets' calendar unless the test sets its own: a user's scenario file would start at
  // the real time, which no expected backup name or history line could hold.
  nlohmann::json fixed = scenario;
  if (fixed.is_object() && !fixed.contains("calendar_start"))
    fixed["calendar_start"] = "2026-01-01T00:00:00";
  WriteText(name, fixed.dump(2));
  return Path(name);
}

std::vector<std::uint8_t> CliSandbox::Read(const std::string& name) const {
  const std::string s = Slurp(Path(name));
  return {s.begin(), s.end()};
}

std::vector<std::string> CliSandbox::LeftoverTemporaryFolders() const {
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(dir_))
    if (e.path().filename().string().rfind("rzflash-", 0) == 0)
      left.push_back(e.path().filename().string());
  return left;
}

bool CliSandbox::Exists(const std::string& name) const { return fs::exists(Path(name)); }

}  // namespace rz::e2e
