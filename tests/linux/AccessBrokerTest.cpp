// The access broker and its client: descriptor passing over a socket pair with the broker's code
// in-process on a fake sysfs tree, the client starting the broker through stand-ins for pkexec,
// and the driver bring-up that depends on it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <tuple>

#include "app/Program.h"
#include "hw/IoDriver.h"
#include "platform/linux/AccessBroker.h"
#include "platform/linux/AccessProtocol.h"
#include "platform/linux/HandedSysfsFiles.h"
#include "platform/linux/LinuxDriverDevice.h"
#include "platform/linux/LinuxServiceControl.h"
#include "platform/linux/LinuxSystem.h"
#include "platform/linux/ObtainSysfsFiles.h"
#include "platform/linux/UniqueFd.h"
#include "sim/Recorders.h"
#include "support/SimHarness.h"
#include "ui/ScriptedUi.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;
using platform::AccessFailure;

struct Bar {
  std::uint64_t start = 0;
  std::uint64_t flags = 0;  // 0x200: memory, 0x100: I/O ports
};

// A folder laid out like /sys for the PCI devices written into it.
class FakeSysfs {
 public:
  // `bars` are BAR0 upwards; a memory BAR gets its resourceN file.
  void Add(const std::string& name, std::uint16_t vendor, std::uint32_t cls,
           const std::vector<Bar>& bars = {}) {
    const fs::path d = Devices() / name;
    fs::create_directories(d);
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
      if (b.start && (b.flags & 0x200)) Write(d / ("resource" + std::to_string(i)), std::string(4096, 'R'));
    }
    Write(d / "resource", resource);
  }
  std::string Root() const { return dir.Path().string(); }
  fs::path Devices() const { return dir.Path() / "bus/pci/devices"; }
  TempDir dir;

 private:
  static void Write(const fs::path& p, const std::string& contents) {
    std::ofstream(p, std::ios::binary) << contents;
  }
};

using Entry = std::tuple<std::string, std::string, bool>;

std::set<Entry> Entries(const std::vector<platform::HandedFile>& files) {
  std::set<Entry> out;
  for (const auto& f : files) out.insert({f.device, f.file, f.writable});
  return out;
}

int AccessMode(int fd) { return ::fcntl(fd, F_GETFL) & O_ACCMODE; }

// Runs the broker's code on one end of a socket pair and reads its messages from the other.
platform::ReceivedSysfsFiles ServeAndReceive(const std::string& root, const std::string& version,
                                             int* exitStatus = nullptr) {
  int pair[2];
  EXPECT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
  platform::UniqueFd ours(pair[0]), theirs(pair[1]);
  const int status = platform::ServeAccessBroker(theirs.Get(), root, version);
  if (exitStatus) *exitStatus = status;
  theirs.Reset();
  return platform::ReceiveSysfsFiles(ours.Get());
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

  int status = -1;
  auto received = ServeAndReceive(sys.Root(), "1", &status);
  EXPECT_EQ(status, platform::kAccessExitSent);
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
  std::ifstream in(sys.Devices() / "0000:01:00.0/config", std::ios::binary);
  std::string written(256, '\0');
  in.read(written.data(), 256);
  EXPECT_EQ(written[4], 0x07);

  EXPECT_EQ(files.Attribute("0000:02:00.0", "class"), "0x038000\n") << "read under the root";
  EXPECT_EQ(files.Attribute("0000:09:00.0", "class"), std::nullopt);
  EXPECT_EQ(files.Attribute("../../..", "class"), std::nullopt);
  EXPECT_EQ(files.Attribute("0000:02:00.0", "../0000:01:00.0/class"), std::nullopt);
}

TEST(AccessBroker, SendsMoreFilesThanOneMessageHoldsInBatches) {
  FakeSysfs sys;
  const int count = 150;  // more than two batches
  for (int i = 0; i < count; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "0000:%02x:%02x.0", i / 32, i % 32);
    sys.Add(name, 0x8086, 0x020000);
  }
  auto received = ServeAndReceive(sys.Root(), "1");
  ASSERT_EQ(received.outcome, platform::ReceivedSysfsFiles::Outcome::Received);
  ASSERT_EQ(received.files.size(), static_cast<std::size_t>(count));
  EXPECT_EQ(received.files.back().device, "0000:04:15.0");
  std::set<int> distinct;
  for (const auto& f : received.files) distinct.insert(f.fd.Get());
  EXPECT_EQ(distinct.size(), static_cast<std::size_t>(count));
}

TEST(AccessBroker, AnswersAnotherProtocolVersionWithTheMismatchAlone) {
  FakeSysfs sys;
  sys.Add("0000:01:00.0", 0x10DE, 0x030000, {{0xF2000000, 0x200}});
  for (const std::string version : {"2", "", "1x", "01"}) {
    int status = -1;
    auto received = ServeAndReceive(sys.Root(), version, &status);
    EXPECT_EQ(status, platform::kAccessExitMismatch) << version;
    EXPECT_EQ(received.outcome, platform::ReceivedSysfsFiles::Outcome::Mismatch) << version;
    EXPECT_EQ(received.brokerVersion, "1");
    EXPECT_TRUE(received.files.empty());
  }
}

TEST(AccessBroker, NoPciFolderSendsAnEmptyTable) {
  TempDir empty;
  auto received = ServeAndReceive(empty.Path().string(), "1");
  EXPECT_EQ(received.outcome, platform::ReceivedSysfsFiles::Outcome::Received);
  EXPECT_TRUE(received.files.empty());
}

TEST(AccessBroker, DeviceNamesFollowTheKernelsForm) {
  const std::vector<std::pair<std::string, bool>> cases{
      {"0000:01:00.0", true},  {"10000:e1:1f.7", true}, {"0000:0a:1F.0", false},
      {"0000:01:00.8", false}, {"000:01:00.0", false},  {"0000:01:00", false},
      {"0000-01:00.0", false}, {"0000:01:00.0/", false}, {"..", false}, {"", false}};
  for (const auto& [name, ok] : cases) EXPECT_EQ(platform::IsPciDeviceName(name), ok) << name;
}

// A stand-in for pkexec: a shell script in a temporary folder.
class FakePkexec {
 public:
  explicit FakePkexec(const std::string& body) {
    const std::string path = Path();
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(path, fs::perms::owner_all);
  }
  std::string Path() const { return dir.File("pkexec"); }
  std::string Arguments() const {
    std::ifstream in(dir.File("args"));
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  TempDir dir;
};

platform::AccessOptions UserOptions(const FakePkexec& pkexec, const std::string& root) {
  platform::AccessOptions o;
  o.asRoot = false;
  o.pkexec = pkexec.Path();
  o.broker = RZFLASH_ACCESS_TEST_BROKER;
  o.sysfsRoot = root;
  return o;
}

std::string RunBrokerWith(const std::string& root) {
  return "printf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args\"\n"
         "RZFLASH_ACCESS_TEST_SYSFS_ROOT='" + root + "' exec \"$@\"";
}

TEST(ObtainSysfsFiles, AnOrdinaryUserGetsTheTableThroughPkexecAndTheBroker) {
  FakeSysfs sys;
  sys.Add("0000:01:00.0", 0x10DE, 0x030000, {{0xF2000000, 0x200}});
  sys.Add("0000:00:1f.0", 0x8086, 0x060100);
  FakePkexec pkexec(RunBrokerWith(sys.Root()));
  auto obtained = platform::ObtainSysfsFiles(UserOptions(pkexec, sys.Root()));
  ASSERT_EQ(obtained.failure, AccessFailure::None) << obtained.reason;
  EXPECT_TRUE(obtained.reason.empty());
  ASSERT_TRUE(obtained.files);
  EXPECT_EQ(pkexec.Arguments(), std::string(RZFLASH_ACCESS_TEST_BROKER) + "\n1\n")
      << "the broker and the protocol version, nothing else";
  EXPECT_EQ(obtained.files->Devices(), (std::vector<std::string>{"0000:00:1f.0", "0000:01:00.0"}));
  EXPECT_GE(obtained.files->Descriptor("0000:01:00.0", "resource0", true), 0);
  EXPECT_EQ(obtained.files->Descriptor("0000:00:1f.0", "config", true), -1);
  EXPECT_EQ(obtained.files->Attribute("0000:00:1f.0", "vendor"), "0x8086\n");
}

TEST(ObtainSysfsFiles, RootNeedsNoBroker) {
  FakePkexec pkexec("echo started > \"$(dirname \"$0\")/args\"; exit 1");
  auto options = UserOptions(pkexec, "/nonexistent");
  options.asRoot = true;
  auto obtained = platform::ObtainSysfsFiles(options);
  EXPECT_EQ(obtained.failure, AccessFailure::None);
  EXPECT_FALSE(obtained.files) << "the access method opens the files itself";
  EXPECT_EQ(pkexec.Arguments(), "");
}

TEST(ObtainSysfsFiles, FailuresSayWhatTheUserCanDo) {
  struct Case {
    const char* what;
    std::string pkexecBody;  // empty: no pkexec at all
    const char* broker;      // null: the test build of the broker
    AccessFailure failure;
    const char* reasonPart;
    int version = platform::kAccessProtocolVersion;  // the one the program asks for
  };
  const std::vector<Case> cases{
      {"pkexec missing", "", nullptr, AccessFailure::PkexecMissing, "install pkexec"},
      {"broker missing", "exit 0", "/nonexistent/rzflash-access", AccessFailure::BrokerMissing,
       "/nonexistent/rzflash-access is not installed"},
      {"dismissed", "exit 126", nullptr, AccessFailure::Refused, "refused or dismissed"},
      {"no agent", "exit 127", nullptr, AccessFailure::NotAuthorised, "no polkit authentication agent"},
      {"another version", "exec \"$@\"", nullptr, AccessFailure::ProtocolMismatch,
       "speaks protocol version 1, this program 7", 7},
      {"nothing sent", "exit 0", nullptr, AccessFailure::NothingSent, "sent no device files (exit status 0)"},
      {"killed", "kill -9 $$", nullptr, AccessFailure::NothingSent, "exit status 137"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakePkexec pkexec(c.pkexecBody);
    auto options = UserOptions(pkexec, "/nonexistent");
    if (c.pkexecBody.empty()) options.pkexec = pkexec.dir.File("absent");
    if (c.broker) options.broker = c.broker;
    options.protocolVersion = c.version;
    auto obtained = platform::ObtainSysfsFiles(options);
    EXPECT_EQ(obtained.failure, c.failure);
    EXPECT_FALSE(obtained.files);
    EXPECT_NE(obtained.reason.find(c.reasonPart), std::string::npos) << obtained.reason;
  }
}

// The bring-up on the Linux service calls with a slot for the files; the device is the raw one on
// ordinary files standing for /dev/port and /dev/mem.
struct BringUp {
  explicit BringUp(platform::AccessOptions options) : services(slot, std::move(options)) {
    dir.Write("port", std::string(0x10000, '\0'));
    dir.Write("mem", std::string(4096, '\0'));
  }
  TempDir dir;
  platform::SysfsFilesSlot slot;
  platform::LinuxDriverDevice device{platform::LinuxDriverPaths{
      dir.File("port"), dir.File("mem"), platform::WidePortAccess::PortFileBytes}};
  platform::LinuxServiceControl services;
  platform::LinuxSystem system{platform::LinuxSystemOptions{dir.Path().string(), dir.Path().string()}};
  hw::IoDriver driver{services, device, system};
};

TEST(LinuxAccessBringUp, StartObtainsTheFilesAndTeardownClosesEveryDescriptor) {
  FakeSysfs sys;
  sys.Add("0000:01:00.0", 0x10DE, 0x030000, {{0xF2000000, 0x200}});
  FakePkexec pkexec(RunBrokerWith(sys.Root()));
  BringUp run(UserOptions(pkexec, sys.Root()));
  ASSERT_TRUE(run.driver.OpenDriver());
  ASSERT_TRUE(run.slot.files);
  const int config = run.slot.files->Descriptor("0000:01:00.0", "config", true);
  const int bar = run.slot.files->Descriptor("0000:01:00.0", "resource0", true);
  ASSERT_GE(config, 0);
  ASSERT_GE(bar, 0);
  EXPECT_TRUE(run.services.AccessProblem().empty());
  run.driver.CloseDriver();
  EXPECT_FALSE(run.slot.files);
  EXPECT_EQ(::fcntl(config, F_GETFD), -1);
  EXPECT_EQ(::fcntl(bar, F_GETFD), -1);
  EXPECT_EQ(run.services.OpenHandles(), 0u);
}

TEST(LinuxAccessBringUp, AFailedObtainIsTheBringUpFailureWithItsReason) {
  for (const char* body : {"", "exit 126", "exit 127"}) {
    SCOPED_TRACE(body);
    FakePkexec pkexec(body);
    auto options = UserOptions(pkexec, "/nonexistent");
    if (*body == '\0') options.pkexec = pkexec.dir.File("absent");
    BringUp run(options);
    sim::EmulatedToolLauncher launcher;
    sim::EmulatedRegistry registry;
    sim::RecordingShutdown shutdown;
    sim::RecordingShellOpen shell;
    std::unique_ptr<platform::FileSystem> files = platform::MakeHostFileSystem();
    platform::Platform seams{run.device, run.services, run.system, *files,
                             launcher,   registry,     shutdown,   shell};
    ui::ScriptedUi ui;
    app::Program program(seams, ui);
    bool detected = false;
    program.detect = [&](app::Program&) { return detected = true; };
    EXPECT_EQ(program.FormCreate(), app::StartResult::DriverFailed);
    EXPECT_FALSE(detected);
    EXPECT_EQ(ui.Lines(), std::vector<std::string>{"dialog: Initialize DODozori Fail!!!"});
    EXPECT_FALSE(run.services.AccessProblem().empty());
    EXPECT_FALSE(run.slot.files);
    program.FormDestroy();
    EXPECT_EQ(run.services.OpenHandles(), 0u);
  }
}

}  // namespace
}  // namespace rz::test
