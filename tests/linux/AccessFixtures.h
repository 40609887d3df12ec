// SPDX-License-Identifier: GPL-3.0-or-later
// What the access helper's tests share: a folder laid out like /sys for the helper to open, a
// stand-in for pkexec that records its starts and runs the helper's test build, and the helper's
// code served in-process on a socket pair.
#pragma once
#include <sys/socket.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "backends/linux/broker/AccessBroker.h"
#include "backends/linux/broker/AccessMessages.h"
#include "backends/linux/broker/AccessSession.h"
#include "backends/linux/process/UniqueFd.h"
#include "support/SimHarness.h"

namespace rz::test {

struct Bar {
  std::uint64_t start = 0;
  std::uint64_t flags = 0;  // 0x200: memory, 0x100: I/O ports
};

inline std::string ReadWhole(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A folder laid out like /sys for the PCI devices written into it.
class FakeSysfs {
 public:
  // `bars` are BAR0 upwards; a memory BAR gets its resourceN file.
  void Add(const std::string& name, std::uint16_t vendor, std::uint32_t cls,
           const std::vector<Bar>& bars = {}) {
    const std::filesystem::path d = Devices() / name;
    std::filesystem::create_directories(d);
    std::string config(256, '\0');
    config[0] = static_cast<char>(vendor & 0xFF);
    config[1] = static_cast<char>(vendor >> 8);
    Write(d / "config", config);
    char text[64];
    std::snprintf(text, sizeof text, "0x%04x\n", vendor);
    Write(d / "vendor", text);
    std::snprintf(text, sizeof text, "0x%06x\n", cls);
    Write(d / "class", text);
    std::string resource;
    for (std::size_t i = 0; i < 13; ++i) {
      const Bar b = i < bars.size() ? bars[i] : Bar{};
      char line[96];
      std::snprintf(line, sizeof line, "0x%016llx 0x%016llx 0x%016llx\n",
                    static_cast<unsigned long long>(b.start),
                    static_cast<unsigned long long>(b.start ? b.start + 0xFFF : 0),
                    static_cast<unsigned long long>(b.flags));
      resource += line;
      if (b.start && (b.flags & 0x200))
        Write(d / ("resource" + std::to_string(i)), std::string(4096, 'R'));
    }
    Write(d / "resource", resource);
  }
  std::string Root() const { return dir.Path().string(); }
  std::filesystem::path Devices() const { return dir.Path() / "bus/pci/devices"; }
  TempDir dir;

 private:
  static void Write(const std::filesystem::path& p, const std::string& contents) {
    std::ofstream(p, std::ios::binary) << contents;
  }
};

// A stand-in for pkexec: a shell script in a folder of its own. Each start appends its process id
// (which the program it execs keeps) to "starts" and writes its arguments to "args".
class FakePkexec {
 public:
  explicit FakePkexec(const std::string& body) {
    const std::string path = Path();
    std::ofstream(path) << "#!/bin/sh\necho $$ >> \"$(dirname \"$0\")/starts\"\n"
                           "printf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args\"\n"
                        << body << "\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  }
  std::string Path() const { return dir.File("pkexec"); }
  std::string Arguments() const { return ReadWhole(dir.File("args")); }
  // The process ids of its starts, in order.
  std::vector<int> Starts() const {
    std::vector<int> pids;
    std::istringstream in(ReadWhole(dir.File("starts")));
    for (int pid; in >> pid;) pids.push_back(pid);
    return pids;
  }
  TempDir dir;
};

// Where the helper's test build serves from; empty entries keep the helper's defaults.
struct HelperPlaces {
  std::string sysfsRoot;
  std::string lockFile;
  std::string dataFolder;
};

// The body of a stand-in pkexec that runs what it was asked to run (the helper) on `places`.
inline std::string RunHelperOn(const HelperPlaces& places) {
  std::string body;
  if (!places.sysfsRoot.empty())
    body += "export RZFLASH_ACCESS_TEST_SYSFS_ROOT='" + places.sysfsRoot + "'\n";
  if (!places.lockFile.empty())
    body += "export RZFLASH_ACCESS_TEST_LOCK_FILE='" + places.lockFile + "'\n";
  if (!places.dataFolder.empty())
    body += "export RZFLASH_ACCESS_TEST_DATA_FOLDER='" + places.dataFolder + "'\n";
  return body + "exec \"$@\"";
}

// Options of an ordinary user's program whose pkexec is `pkexec` and whose helper is the test
// build.
inline platform::AccessOptions UserOptions(const FakePkexec& pkexec, const std::string& sysfsRoot) {
  platform::AccessOptions o;
  o.asRoot = false;
  o.pkexec = pkexec.Path();
  o.broker = RZFLASH_ACCESS_TEST_BROKER;
  o.sysfsRoot = sysfsRoot;
  return o;
}

// The helper's code served in-process on one end of a socket pair; the test speaks on the other.
// Closing the test's end (Close) ends the helper, whose exit status Close returns.
class ServedHelper {
 public:
  explicit ServedHelper(platform::BrokerSetup setup, std::string version = "2") {
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) == 0) {
      ours_ = platform::UniqueFd(pair[0]);
      theirs_ = platform::UniqueFd(pair[1]);
    }
    server_ = std::thread([this, setup = std::move(setup), version] {
      status_ = platform::ServeAccessBroker(theirs_.Get(), setup, version);
      theirs_.Reset();
    });
  }
  ~ServedHelper() { Close(); }
  ServedHelper(const ServedHelper&) = delete;
  ServedHelper& operator=(const ServedHelper&) = delete;

  int Socket() const { return ours_.Get(); }
  platform::AccessMessage Next() { return platform::ReceiveAccessMessage(ours_.Get(), 60000); }
  platform::AccessMessage Ask(const std::string& text, const std::vector<int>& fds = {}) {
    platform::SendAccessMessage(ours_.Get(), text, fds);
    return Next();
  }
  int Close() {
    ours_.Reset();
    if (server_.joinable()) server_.join();
    return status_;
  }

 private:
  platform::UniqueFd ours_, theirs_;
  std::thread server_;
  int status_ = -1;
};

}  // namespace rz::test
