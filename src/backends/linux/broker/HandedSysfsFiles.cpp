// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/broker/HandedSysfsFiles.h"

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "backends/linux/broker/AccessProtocol.h"
#include "backends/linux/broker/BrokerFiles.h"

namespace rz::platform {

HandedSysfsFiles::HandedSysfsFiles(std::vector<HandedFile> files, std::string sysfsRoot)
    : root_(std::move(sysfsRoot)) {
  for (auto& f : files) files_[Key{f.device, f.file, f.writable}] = std::move(f.fd);
}

std::vector<std::string> HandedSysfsFiles::Devices() const {
  std::set<std::string> names;
  for (const auto& [key, fd] : files_) names.insert(std::get<0>(key));
  return {names.begin(), names.end()};
}

int HandedSysfsFiles::Descriptor(const std::string& device, const std::string& file, bool writable) {
  for (const bool w : {true, false}) {
    if (!w && writable) break;
    const auto it = files_.find(Key{device, file, w});
    if (it != files_.end()) return it->second.Get();
  }
  return -1;
}

std::optional<std::string> HandedSysfsFiles::Attribute(const std::string& device,
                                                       const std::string& file) const {
  if (!IsPciDeviceName(device) || file.find('/') != std::string::npos) return std::nullopt;
  std::ifstream in(root_ + "/bus/pci/devices/" + device + "/" + file);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

namespace {

// Parses "<device> <file> <r|w>" lines, one per descriptor, into `into`.
bool TakeBatch(AccessMessage& m, std::vector<HandedFile>& into) {
  std::istringstream lines(m.text);
  std::size_t i = 0;
  for (std::string line; std::getline(lines, line); ++i) {
    std::istringstream words(line);
    HandedFile f;
    std::string mode, extra;
    if (!(words >> f.device >> f.file >> mode) || (words >> extra) || i >= m.fds.size())
      return false;
    if (!IsPciDeviceName(f.device) || (mode != "r" && mode != "w")) return false;
    f.writable = mode == "w";
    f.fd = std::move(m.fds[i]);
    into.push_back(std::move(f));
  }
  return i == m.fds.size() && i > 0;
}

}  // namespace

ReceivedSysfsFiles ReceiveSysfsFiles(AccessMessage first,
                                     const std::function<AccessMessage()>& next) {
  using Outcome = ReceivedSysfsFiles::Outcome;
  ReceivedSysfsFiles r;
  if (!first.Ok()) return r;  // NothingSent
  r.outcome = Outcome::Malformed;
  const std::vector<std::string> words = first.Words();
  if (words.size() != 2 || words[0] != kAccessFilesRequest || !first.fds.empty()) return r;
  char* end = nullptr;
  const unsigned long count = std::strtoul(words[1].c_str(), &end, 10);
  if (*end != '\0') return r;
  while (r.files.size() < count) {
    AccessMessage batch = next();
    if (!batch.Ok() || !TakeBatch(batch, r.files) || r.files.size() > count) {
      r.files.clear();
      r.outcome = batch.Ok() ? Outcome::Malformed : Outcome::NothingSent;
      return r;
    }
  }
  r.outcome = Outcome::Received;
  return r;
}

}  // namespace rz::platform
