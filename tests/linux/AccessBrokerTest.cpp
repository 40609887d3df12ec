// SPDX-License-Identifier: GPL-3.0-or-later
// The access helper's side, its code served in-process on a socket pair: the PCI files it opens
// and hands over, the lock file, the vendor tool's runs (fixed command lines only, in a folder of
// the program's user only), refusals, and its end with the program's end of the socket.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <set>
#include <tuple>

#include "AccessFixtures.h"
#include "backends/linux/broker/AccessProtocol.h"
#include "backends/linux/broker/BrokerFiles.h"
#include "backends/linux/broker/HandedSysfsFiles.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;
using platform::AccessMessage;

using Entry = std::tuple<std::string, std::string, bool>;

std::set<Entry> Entries(const std::vector<platform::HandedFile>& files) {
  std::set<Entry> out;
  for (const auto& f : files) out.insert({f.device, f.file, f.writable});
  return out;
}

int AccessMode(int fd) { return ::fcntl(fd, F_GETFL) & O_ACCMODE; }

platform::ReceivedSysfsFiles AskForFiles(ServedHelper& helper) {
  return platform::ReceiveSysfsFiles(helper.Ask("files\n"), [&] { return helper.Next(); });
}

TEST(AccessBroker, GreetsThenServesUntilTheProgramClosesItsEnd) {
  ServedHelper helper(platform::BrokerSetup{});
  EXPECT_EQ(helper.Next().text, "RZACCESS 2 ready\n");
  EXPECT_EQ(helper.Ask("what\n").text, "refused unknown request\n");
  EXPECT_EQ(helper.Ask("files now\n").text, "refused unknown request\n") << "no arguments";
  EXPECT_EQ(helper.Close(), platform::kAccessExitDone);
}

TEST(AccessBroker, AnswersAnotherProtocolVersionWithTheMismatchAlone) {
  for (const std::string version : {"1", "3", "", "2x", "02"}) {
    ServedHelper helper(platform::BrokerSetup{}, version);
    EXPECT_EQ(helper.Next().text, "RZACCESS 2 mismatch\n") << version;
    EXPECT_EQ(helper.Next().status, AccessMessage::Status::Ended) << version;
    EXPECT_EQ(helper.Close(), platform::kAccessExitMismatch) << version;
  }
}

TEST(AccessBroker, OpensConfigForEveryDeviceAndWritableFilesOnlyForNvidiaAndAtiDisplays) {
  FakeSysfs sys;
  sys.Add("0000:00:00.0", 0x8086, 0x060000, {{0xF0000000, 0x200}});                  // host bridge
  sys.Add("0000:01:00.0", 0x10DE, 0x030000,
          {{0xF2000000, 0x40200}, {0xE0000000, 0x4220C}, {0}, {0xD000, 0x101}});    // NVIDIA VGA
  sys.Add("0000:01:00.1", 0x10DE, 0x040300, {{0xF3000000, 0x200}});                 // its audio
  sys.Add("0000:02:00.0", 0x1002, 0x038000, {{0xD0000000, 0x200}});                 // ATI display
  sys.Add("0000:03:00.0", 0x1AF4, 0x030000, {{0xC0000000, 0x200}});                 // other vendor
  sys.Add("0001:04:1f.7", 0x1002, 0x030000);                                        // no BARs
  fs::create_directories(sys.Devices() / "not-a-device");

  ServedHelper helper(platform::BrokerSetup{sys.Root(), "", ""});
  ASSERT_TRUE(helper.Next().Ok());
  auto received = AskForFiles(helper);
  ASSERT_EQ(received.outcome, platform::ReceivedSysfsFiles::Outcome::Received);
  const std::set<Entry> expected{
      {"0000:00:00.0", "config", false},   {"0000:01:00.0", "config", true},
      {"0000:01:00.0", "resource0", true}, {"0000:01:00.0", "resource1", true},
      {"0000:01:00.1", "config", false},   {"0000:02:00.0", "config", true},
      {"0000:02:00.0", "resource0", true}, {"0000:03:00.0", "config", false},
      {"0001:04:1f.7", "config", true}};
  EXPECT_EQ(Entries(received.files), expected);
  for (const auto& f : received.files) {
    EXPECT_EQ(AccessMode(f.fd.Get()), f.writable ? O_RDWR : O_RDONLY) << f.device << " " << f.file;
    EXPECT_NE(::fcntl(f.fd.Get(), F_GETFD) & FD_CLOEXEC, 0) << "not inherited by children";
  }

  platform::HandedSysfsFiles files(std::move(received.files), sys.Root());
  EXPECT_EQ(files.Devices(), (std::vector<std::string>{"0000:00:00.0", "0000:01:00.0", "0000:01:00.1",
                                                       "0000:02:00.0", "0000:03:00.0", "0001:04:1f.7"}));
  EXPECT_EQ(files.Descriptor("0000:03:00.0", "config", true), -1) << "other vendor: read-only";
  EXPECT_EQ(files.Descriptor("0000:00:00.0", "resource0", false), -1);
  const int readable = files.Descriptor("0000:01:00.0", "config", false);
  EXPECT_EQ(readable, files.Descriptor("0000:01:00.0", "config", true)) << "read-write serves reads";

  // The descriptors reach the files themselves.
  std::uint8_t vendor[2] = {};
  ASSERT_EQ(::pread(files.Descriptor("0000:02:00.0", "config", false), vendor, 2, 0), 2);
  EXPECT_EQ(vendor[0] | vendor[1] << 8, 0x1002);
  const std::uint8_t command[2] = {0x07, 0x00};
  ASSERT_EQ(::pwrite(files.Descriptor("0000:01:00.0", "config", true), command, 2, 4), 2);
  EXPECT_EQ(ReadWhole(sys.Devices() / "0000:01:00.0/config")[4], 0x07);

  EXPECT_EQ(files.Attribute("0000:02:00.0", "class"), "0x038000\n") << "read under the root";
  EXPECT_EQ(files.Attribute("0000:09:00.0", "class"), std::nullopt);
  EXPECT_EQ(files.Attribute("../../..", "class"), std::nullopt);
  EXPECT_EQ(files.Attribute("0000:02:00.0", "../0000:01:00.0/class"), std::nullopt);
}

TEST(AccessBroker, SendsMoreFilesThanOneMessageHoldsInBatchesAndServesOnAfterwards) {
  FakeSysfs sys;
  const int count = 150;  // more than two batches
  for (int i = 0; i < count; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "0000:%02x:%02x.0", i / 32, i % 32);
    sys.Add(name, 0x8086, 0x020000);
  }
  ServedHelper helper(platform::BrokerSetup{sys.Root(), "", ""});
  ASSERT_TRUE(helper.Next().Ok());
  for (int round = 0; round < 2; ++round) {
    auto received = AskForFiles(helper);
    ASSERT_EQ(received.outcome, platform::ReceivedSysfsFiles::Outcome::Received);
    ASSERT_EQ(received.files.size(), static_cast<std::size_t>(count));
    EXPECT_EQ(received.files.back().device, "0000:04:15.0");
    std::set<int> distinct;
    for (const auto& f : received.files) distinct.insert(f.fd.Get());
    EXPECT_EQ(distinct.size(), static_cast<std::size_t>(count));
  }
  TempDir empty;
  ServedHelper none(platform::BrokerSetup{empty.Path().string(), "", ""});
  ASSERT_TRUE(none.Next().Ok());
  auto nothing = AskForFiles(none);
  EXPECT_EQ(nothing.outcome, platform::ReceivedSysfsFiles::Outcome::Received) << "no PCI folder";
  EXPECT_TRUE(nothing.files.empty());
}

TEST(AccessBroker, DeviceNamesFollowTheKernelsForm) {
  const std::vector<std::pair<std::string, bool>> cases{
      {"0000:01:00.0", true},  {"10000:e1:1f.7", true}, {"0000:0a:1F.0", false},
      {"0000:01:00.8", false}, {"000:01:00.0", false},  {"0000:01:00", false},
      {"0000-01:00.0", false}, {"0000:01:00.0/", false}, {"..", false}, {"", false}};
  for (const auto& [name, ok] : cases) EXPECT_EQ(platform::IsPciDeviceName(name), ok) << name;
}

TEST(AccessBroker, HandsOverTheLockFileMadeRootsAndPrivate) {
  TempDir dir;
  const std::string lock = dir.File("rzflash.lock");
  ServedHelper helper(platform::BrokerSetup{dir.Path().string(), lock, ""});
  ASSERT_TRUE(helper.Next().Ok());
  for (int round = 0; round < 2; ++round) {
    AccessMessage m = helper.Ask("lock\n");
    ASSERT_EQ(m.text, "lock\n");
    ASSERT_EQ(m.fds.size(), 1u);
    struct stat viaFd {}, viaPath {};
    ASSERT_EQ(::fstat(m.fds[0].Get(), &viaFd), 0);
    ASSERT_EQ(::stat(lock.c_str(), &viaPath), 0);
    EXPECT_EQ(viaFd.st_ino, viaPath.st_ino) << "the file at the lock's path";
    EXPECT_EQ(viaFd.st_mode & 07777, 0600u);
    EXPECT_EQ(viaFd.st_uid, ::geteuid());
    EXPECT_EQ(AccessMode(m.fds[0].Get()), O_RDWR);
  }
  fs::remove(lock);
  fs::create_symlink(dir.File("elsewhere"), lock);
  EXPECT_EQ(helper.Ask("lock\n").Words().front(), "refused") << "never through a link";
  EXPECT_FALSE(fs::exists(dir.File("elsewhere")));
}

// A folder the tool may run in, the program's user's (the test's) and closed to others.
struct ToolRig {
  ToolRig() {
    ::chmod(dir.Path().c_str(), 0755);
    fs::create_directory(folder());
    ::chmod(folder().c_str(), 0700);
    // The tool records its arguments and folder, then ends with the status the test chose.
    dir.Write("tool", "#!/bin/sh\nprintf '%s|' \"$@\" > '" + dir.File("ran") + "'\npwd >> '" +
                          dir.File("ran") + "'\nexit \"$(cat '" + dir.File("status") + "')\"\n");
    ::chmod(dir.File("tool").c_str(), 0755);
    dir.Write("status", "0");
  }
  std::string folder() const { return dir.File("exchange"); }
  platform::UniqueFd Folder() const {
    return platform::UniqueFd(::open(folder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  }
  platform::BrokerSetup Setup() const { return {dir.Path().string(), "", dir.File("tool")}; }
  TempDir dir;
};

TEST(AccessBroker, RunsTheToolWithItsFixedCommandLinesInTheProgramsFolder) {
  ToolRig rig;
  ServedHelper helper(rig.Setup());
  ASSERT_TRUE(helper.Next().Ok());
  struct Case {
    const char* request;
    const char* arguments;
    const char* status;
  } cases[] = {{"tool backup 0\n", "-s|0|Backup.rom|-quiet|", "0"},
               {"tool save 1\n", "-s|1|Save.bin|-quiet|", "3"},
               {"tool flash 0\n", "-p|0|Flash.bin|-f|-quiet|", "0"},
               {"tool verify 1\n", "-s|1|Verify.bin|-quiet|", "7"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.request);
    rig.dir.Write("status", c.status);
    const platform::UniqueFd folder = rig.Folder();
    EXPECT_EQ(helper.Ask(c.request, {folder.Get()}).text, "tool started\n");
    EXPECT_EQ(helper.Next().text, std::string("tool ended ") + c.status + "\n");
    EXPECT_EQ(ReadWhole(rig.dir.File("ran")), std::string(c.arguments) + rig.folder() + "\n");
  }
}

TEST(AccessBroker, RefusesEveryOtherToolRequestWithoutStartingAnything) {
  ToolRig rig;
  TempDir other;
  const std::string shared = other.File("shared"), foreign = other.File("foreign");
  fs::create_directory(shared);
  ::chmod(shared.c_str(), 0777);
  fs::create_directory(foreign);
  ::chmod(foreign.c_str(), 0700);
  ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
  const auto open = [](const std::string& p, int flags) {
    return platform::UniqueFd(::open(p.c_str(), flags | O_CLOEXEC));
  };
  const platform::UniqueFd own = rig.Folder();
  const platform::UniqueFd sharedFd = open(shared, O_RDONLY | O_DIRECTORY);
  const platform::UniqueFd foreignFd = open(foreign, O_RDONLY | O_DIRECTORY);
  const platform::UniqueFd file = open(rig.dir.File("status"), O_RDONLY);
  struct Case {
    const char* what;
    std::string request;
    std::vector<int> fds;
    const char* reason;
  } cases[] = {
      {"unknown command", "tool erase 0\n", {own.Get()}, "fixed command"},
      {"adapter 2", "tool flash 2\n", {own.Get()}, "adapter 0 or 1"},
      {"free arguments", "tool flash 0 /etc/shadow\n", {own.Get()}, "fixed command"},
      {"no folder", "tool save 0\n", {}, "carries its folder"},
      {"two folders", "tool save 0\n", {own.Get(), own.Get()}, "carries its folder"},
      {"a file for a folder", "tool save 0\n", {file.Get()}, "is not a folder"},
      {"another user's folder", "tool save 0\n", {foreignFd.Get()}, "does not belong"},
      {"a folder others may write", "tool save 0\n", {sharedFd.Get()}, "written by other users"},
  };
  ServedHelper helper(rig.Setup());
  ASSERT_TRUE(helper.Next().Ok());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const AccessMessage m = helper.Ask(c.request, c.fds);
    EXPECT_EQ(m.Words().front(), "refused");
    EXPECT_NE(m.text.find(c.reason), std::string::npos) << m.text;
  }
  EXPECT_FALSE(fs::exists(rig.dir.File("ran"))) << "the tool never ran";

  ServedHelper noTool(platform::BrokerSetup{rig.dir.Path().string(), "", rig.dir.File("missing")});
  ASSERT_TRUE(noTool.Next().Ok());
  EXPECT_NE(noTool.Ask("tool save 0\n", {own.Get()}).text.find("is missing"), std::string::npos);
  EXPECT_EQ(noTool.Ask("what\n").Words().front(), "refused") << "it serves on after a refusal";
}

// The tool runs as root: it and its folder must be root's (the helper's) and closed to others.
TEST(AccessBroker, RunsOnlyAToolThatNoOneButRootMayChange) {
  struct Case {
    const char* what;
    std::function<void(const ToolRig&)> change;
    bool runs;
  } cases[] = {
      {"as installed", [](const ToolRig&) {}, true},
      {"others may write the tool", [](const ToolRig& r) { ::chmod(r.dir.File("tool").c_str(), 0757); }, false},
      {"the group may write the tool", [](const ToolRig& r) { ::chmod(r.dir.File("tool").c_str(), 0775); }, false},
      {"others may write its folder", [](const ToolRig& r) { ::chmod(r.dir.Path().c_str(), 0777); }, false},
      {"another user's tool",
       [](const ToolRig& r) { EXPECT_EQ(::chown(r.dir.File("tool").c_str(), 65534, 65534), 0); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ToolRig rig;
    c.change(rig);
    ServedHelper helper(rig.Setup());
    ASSERT_TRUE(helper.Next().Ok());
    const platform::UniqueFd folder = rig.Folder();
    const AccessMessage m = helper.Ask("tool save 0\n", {folder.Get()});
    EXPECT_EQ(m.text == "tool started\n", c.runs) << m.text;
    if (c.runs) {
      EXPECT_EQ(helper.Next().text, "tool ended 0\n");
    }
    EXPECT_EQ(fs::exists(rig.dir.File("ran")), c.runs);
  }
}

}  // namespace
}  // namespace rz::test
