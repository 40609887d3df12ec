// SPDX-License-Identifier: GPL-3.0-or-later
// The sysfs files as the access broker handed them over: a table of received descriptors by
// device and file name. Attributes are read directly under the sysfs root (they are
// world-readable), so only the config and resource files need the broker.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "backends/linux/access/SysfsFiles.h"
#include "backends/linux/broker/AccessMessages.h"
#include "backends/linux/process/UniqueFd.h"

namespace rz::platform {

struct HandedFile {
  std::string device;
  std::string file;
  bool writable = false;
  UniqueFd fd;
};

class HandedSysfsFiles final : public SysfsFiles {
 public:
  HandedSysfsFiles(std::vector<HandedFile> files, std::string sysfsRoot = kSysfsRoot);

  std::vector<std::string> Devices() const override;
  // A read-write descriptor also serves a request for a readable one.
  int Descriptor(const std::string& device, const std::string& file, bool writable) override;
  std::optional<std::string> Attribute(const std::string& device,
                                       const std::string& file) const override;

  std::size_t Count() const { return files_.size(); }

 private:
  using Key = std::tuple<std::string, std::string, bool>;
  std::map<Key, UniqueFd> files_;
  std::string root_;
};

// What reading the helper's answer to a request for the files gave: the files, or why there are
// none.
struct ReceivedSysfsFiles {
  enum class Outcome { Received, NothingSent, Malformed };
  Outcome outcome = Outcome::NothingSent;
  std::vector<HandedFile> files;
};

// Reads the answer to a "files" request (AccessProtocol.h): `first` is its first message
// ("files <count>"), `next` gives each further one, until the announced count is complete.
ReceivedSysfsFiles ReceiveSysfsFiles(AccessMessage first, const std::function<AccessMessage()>& next);

}  // namespace rz::platform
