// SPDX-License-Identifier: GPL-3.0-or-later
// The program's side of the access helper: one helper (one password prompt) per run for the lock,
// the PCI files and the vendor tool, started through stand-ins for pkexec that run the helper's
// test build; failures with reasons; time limits once the helper has greeted; the helper's end
// with the session; and the driver bring-up that depends on it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cerrno>

#include "AccessFixtures.h"
#include "app/Program.h"
#include "backends/linux/LinuxServiceControl.h"
#include "backends/linux/access/LinuxDriverDevice.h"
#include "backends/linux/broker/ObtainSysfsFiles.h"
#include "backends/linux/broker/RunLock.h"
#include "backends/linux/process/LinuxSystem.h"
#include "backends/linux/process/LinuxToolLauncher.h"
#include "hw/IoDriver.h"
#include "sim/seams/Recorders.h"
#include "support/ScriptedUi.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;
using platform::AccessFailure;
using platform::RunLockState;

// Everything the helper's test build serves from: a PCI tree, a lock file, a data folder whose
// tool records its arguments and folder, and the run's exchange folder.
struct HelperWorld {
  HelperWorld() {
    sys.Add("0000:01:00.0", 0x10DE, 0x030000, {{0xF2000000, 0x200}});
    sys.Add("0000:00:1f.0", 0x8086, 0x060100);
    fs::create_directories(data.Path() / "tool");
    ::chmod(data.File("tool").c_str(), 0755);
    data.Write("tool/ATIWinflash", "#!/bin/sh\nprintf '%s|' \"$@\" > '" + data.File("ran") +
                                       "'\npwd >> '" + data.File("ran") + "'\nexit 4\n");
    ::chmod(data.File("tool/ATIWinflash").c_str(), 0755);
    fs::create_directory(Exchange());
    ::chmod(Exchange().c_str(), 0700);
  }
  HelperPlaces Places() const { return {sys.Root(), lock.File("rzflash.lock"), data.Path().string()}; }
  std::string Exchange() const { return lock.File("exchange"); }
  FakeSysfs sys;
  TempDir lock;
  TempDir data;
};

TEST(AccessSession, OneHelperServesTheWholeRunLockFilesAndTool) {
  HelperWorld world;
  FakePkexec pkexec(RunHelperOn(world.Places()));
  {
    platform::AccessSession session(UserOptions(pkexec, world.sys.Root()));
    platform::RunLock lock(world.lock.File("rzflash.lock"), &session);
    EXPECT_EQ(lock.Take(), RunLockState::Held) << lock.Problem();
    EXPECT_TRUE(fs::exists(world.lock.File("rzflash.lock"))) << "made by the helper";
    platform::RunLock root(world.lock.File("rzflash.lock"));
    EXPECT_EQ(root.Take(), RunLockState::HeldElsewhere) << "the user's run holds the machine's lock";

    auto obtained = platform::ObtainSysfsFiles(session);
    ASSERT_EQ(obtained.failure, AccessFailure::None) << obtained.reason;
    ASSERT_TRUE(obtained.files);
    EXPECT_EQ(obtained.files->Devices(), (std::vector<std::string>{"0000:00:1f.0", "0000:01:00.0"}));
    EXPECT_GE(obtained.files->Descriptor("0000:01:00.0", "resource0", true), 0);
    EXPECT_EQ(obtained.files->Attribute("0000:00:1f.0", "vendor"), "0x8086\n");

    platform::LinuxToolLauncher launcher(&session);
    const auto r = launcher.RunAndWait("/some/other/tool", "-p 1 Flash.bin -f -quiet", world.Exchange());
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(ReadWhole(world.data.File("ran")), "-p|1|Flash.bin|-f|-quiet|" + world.Exchange() + "\n")
        << "the installed tool, in the program's folder";
    EXPECT_FALSE(launcher.RunAndWait("/bin/sh", "-c reboot", world.Exchange()).started)
        << "only the fixed command lines";
    EXPECT_FALSE(launcher.RunAndWait("t", "-s 0 Save.bin -quiet", world.lock.File("gone")).started);
  }
  EXPECT_EQ(pkexec.Starts().size(), 1u) << "one password prompt for the whole run";
  EXPECT_EQ(pkexec.Arguments(), std::string(RZFLASH_ACCESS_TEST_BROKER) + "\n2\n")
      << "the helper and the protocol version, nothing else";
}

// A second start while another run holds the lock is refused at once: no password is asked for a
// run that cannot go on.
TEST(AccessSession, ASecondRunIsRefusedWithoutStartingTheHelper) {
  HelperWorld world;
  FakePkexec pkexec(RunHelperOn(world.Places()));
  platform::RunLock first(world.lock.File("rzflash.lock"));
  ASSERT_EQ(first.Take(), RunLockState::Held);
  platform::AccessSession session(UserOptions(pkexec, world.sys.Root()));
  platform::LinuxSystem second(
      platform::LinuxSystemOptions{world.lock.File("rzflash.lock"), world.lock.Path().string(), &session});
  EXPECT_TRUE(second.AnotherInstanceRunning(app::kSingleInstanceName));
  EXPECT_TRUE(pkexec.Starts().empty()) << "no prompt";
  first.Release();
  EXPECT_FALSE(second.AnotherInstanceRunning(app::kSingleInstanceName));
  EXPECT_EQ(pkexec.Starts().size(), 1u);
}

TEST(AccessSession, TheHelperIgnoresRequestsToStopAndEndsWithTheSession) {
  HelperWorld world;
  FakePkexec pkexec(RunHelperOn(world.Places()));
  pid_t helper = -1;
  {
    platform::AccessSession session(UserOptions(pkexec, world.sys.Root()));
    ASSERT_TRUE(session.Start()) << session.Reason();
    ASSERT_EQ(pkexec.Starts().size(), 1u);
    helper = pkexec.Starts()[0];
    for (const int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) ASSERT_EQ(::kill(helper, s), 0);
    std::string refusal;
    EXPECT_TRUE(session.OpenRunLock(refusal).Valid()) << refusal << " (still serving)";
    EXPECT_EQ(::kill(helper, 0), 0);
  }
  errno = 0;
  EXPECT_EQ(::kill(helper, 0), -1) << "nothing the helper grants outlives the run";
  EXPECT_EQ(errno, ESRCH);
}

TEST(AccessSession, FailuresSayWhatTheUserCanDoAndAreNotRetried) {
  struct Case {
    const char* what;
    std::string pkexecBody;  // empty: no pkexec at all
    const char* broker;      // null: the test build of the helper
    AccessFailure failure;
    const char* reasonPart;
    int version = platform::kAccessProtocolVersion;  // the one the program asks for
  };
  const std::vector<Case> cases{
      {"pkexec missing", "", nullptr, AccessFailure::PkexecMissing, "install pkexec"},
      {"helper missing", "exit 0", "/nonexistent/rzflash-access", AccessFailure::BrokerMissing,
       "/nonexistent/rzflash-access is not installed"},
      {"dismissed", "exit 126", nullptr, AccessFailure::Refused, "refused or dismissed"},
      {"no agent", "exit 127", nullptr, AccessFailure::NotAuthorised, "no polkit authentication agent"},
      {"another version", "exec \"$@\"", nullptr, AccessFailure::ProtocolMismatch,
       "speaks protocol version 2, this program 7", 7},
      {"nothing said", "exit 0", nullptr, AccessFailure::NothingSent, "(exit status 0)"},
      {"killed", "kill -9 $$", nullptr, AccessFailure::NothingSent, "exit status 137"},
  };
  HelperWorld world;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakePkexec pkexec(c.pkexecBody);
    auto options = UserOptions(pkexec, world.sys.Root());
    if (c.pkexecBody.empty()) options.pkexec = pkexec.dir.File("absent");
    if (c.broker) options.broker = c.broker;
    options.protocolVersion = c.version;
    platform::AccessSession session(options);
    platform::RunLock lock(world.lock.File("rzflash.lock"), &session);
    EXPECT_EQ(lock.Take(), RunLockState::Unavailable);
    EXPECT_EQ(session.Failure(), c.failure);
    EXPECT_NE(session.Reason().find(c.reasonPart), std::string::npos) << session.Reason();
    EXPECT_EQ(lock.Problem(), session.Reason());
    auto obtained = platform::ObtainSysfsFiles(session);
    EXPECT_EQ(obtained.failure, c.failure);
    EXPECT_FALSE(obtained.files);
    EXPECT_EQ(obtained.reason, session.Reason());
    EXPECT_FALSE(platform::LinuxToolLauncher(&session)
                     .RunAndWait("", "-s 0 Save.bin -quiet", world.Exchange())
                     .started);
    EXPECT_LE(pkexec.Starts().size(), 1u) << "a refused prompt is not asked again";
  }
}

TEST(AccessSession, ThePasswordPromptHasNoTimeLimit) {
  HelperWorld world;
  // The helper starts only after three reply limits, as after a slow password.
  FakePkexec pkexec("sleep 0.3\n" + RunHelperOn(world.Places()));
  auto options = UserOptions(pkexec, world.sys.Root());
  options.replyLimitMs = 100;
  platform::AccessSession session(options);
  EXPECT_TRUE(session.Start()) << session.Reason();
}

// A helper of the test's own on a socket pair, already past its greeting: `serve` gets its end.
class OwnHelper {
 public:
  explicit OwnHelper(std::function<void(int)> serve, int limitMs) {
    int pair[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
    theirs_ = platform::UniqueFd(pair[1]);
    platform::AccessOptions options;
    options.asRoot = false;
    options.replyLimitMs = limitMs;
    session = std::make_unique<platform::AccessSession>(options, platform::UniqueFd(pair[0]), -1);
    server_ = std::thread([this, serve = std::move(serve)] { serve(theirs_.Get()); });
  }
  ~OwnHelper() {
    session.reset();  // closes the program's end: the helper's receive ends
    server_.join();
  }
  std::unique_ptr<platform::AccessSession> session;

 private:
  platform::UniqueFd theirs_;
  std::thread server_;
};

// Receives until the program's end closes, answering nothing.
void Silent(int socket) {
  while (platform::ReceiveAccessMessage(socket, -1).Ok()) {
  }
}

TEST(AccessSession, AHelperThatStopsAnsweringFailsTheRequestWithinTheLimit) {
  HelperWorld world;
  for (const int requests : {1, 2}) {
    OwnHelper helper(Silent, 100);
    auto& session = *helper.session;
    std::string refusal;
    EXPECT_FALSE(session.OpenRunLock(refusal).Valid());
    EXPECT_EQ(session.Failure(), AccessFailure::NoAnswer);
    EXPECT_NE(session.Reason().find("did not answer within 1 second"), std::string::npos)
        << session.Reason();
    EXPECT_EQ(refusal, session.Reason());
    if (requests == 2) {
      // A broken session fails at once from then on, with the same reason.
      auto obtained = platform::ObtainSysfsFiles(session);
      EXPECT_EQ(obtained.failure, AccessFailure::NoAnswer);
      EXPECT_FALSE(platform::LinuxToolLauncher(&session)
                       .RunAndWait("", "-s 0 Save.bin -quiet", world.Exchange())
                       .started);
    }
  }
}

TEST(AccessSession, AToolsRunIsWaitedForBeyondTheLimit) {
  HelperWorld world;
  const int limitMs = 50;
  std::atomic<bool> asked{false};
  OwnHelper helper(
      [&](int socket) {
        const platform::AccessMessage request = platform::ReceiveAccessMessage(socket, -1);
        asked = request.text == "tool verify 0\n" && request.fds.size() == 1;
        platform::SendAccessMessage(socket, "tool started\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(4 * limitMs));
        platform::SendAccessMessage(socket, "tool ended 6\n");
        Silent(socket);
      },
      limitMs);
  const auto r = platform::LinuxToolLauncher(helper.session.get())
                     .RunAndWait("", "-s 0 Verify.bin -quiet", world.Exchange());
  EXPECT_TRUE(asked);
  EXPECT_TRUE(r.started);
  EXPECT_EQ(r.exitCode, 6);
  EXPECT_EQ(helper.session->Failure(), AccessFailure::None);
}

// The bring-up on the Linux service calls with a slot for the files, the lock through the
// helper; the device is the raw one on ordinary files standing for /dev/port and /dev/mem.
struct BringUp {
  explicit BringUp(platform::AccessOptions options) : session(std::move(options)) {
    dir.Write("port", std::string(0x10000, '\0'));
    dir.Write("mem", std::string(4096, '\0'));
  }
  TempDir dir;
  platform::AccessSession session;
  platform::SysfsFilesSlot slot;
  platform::LinuxDriverDevice device{platform::LinuxDriverPaths{
      dir.File("port"), dir.File("mem"), platform::WidePortAccess::PortFileBytes}};
  platform::LinuxSystem system{
      platform::LinuxSystemOptions{dir.File("rzflash.lock"), dir.Path().string(), &session}};
  platform::LinuxServiceControl services{slot, session, &system.Lock()};
  hw::IoDriver driver{services, device, system};
};

TEST(LinuxAccessBringUp, StartObtainsTheFilesAndTeardownClosesEveryDescriptor) {
  HelperWorld world;
  FakePkexec pkexec(RunHelperOn(world.Places()));
  BringUp run(UserOptions(pkexec, world.sys.Root()));
  ASSERT_FALSE(run.system.AnotherInstanceRunning(app::kSingleInstanceName));
  ASSERT_TRUE(run.driver.OpenDriver()) << run.services.AccessProblem();
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
  ASSERT_TRUE(run.driver.OpenDriver()) << "a second bring-up asks the same helper";
  EXPECT_EQ(pkexec.Starts().size(), 1u);
}

TEST(LinuxAccessBringUp, AHelperThatCannotStartFailsTheBringUpWithItsReason) {
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
    EXPECT_EQ(program.FormCreate(), app::StartResult::DriverFailed) << "not another instance";
    EXPECT_FALSE(detected);
    EXPECT_EQ(ui.Lines(), std::vector<std::string>{"dialog: Initialize DODozori Fail!!!"});
    EXPECT_EQ(run.services.AccessProblem(), run.session.Reason());
    EXPECT_FALSE(run.services.AccessProblem().empty());
    EXPECT_FALSE(run.slot.files);
    program.FormDestroy();
    EXPECT_EQ(run.services.OpenHandles(), 0u);
    EXPECT_LE(pkexec.Starts().size(), 1u);
  }
}

// The polkit action of the helper: an administrator's password at every start (nothing remembered
// after a run), for the helper at the path the program starts.
TEST(AccessPolicy, AsksForAnAdministratorEveryTimeForTheInstalledHelper) {
  const std::string policy = ReadWhole(RZ_ACCESS_POLICY_FILE);
  ASSERT_FALSE(policy.empty());
  for (const std::string key : {"allow_any", "allow_inactive", "allow_active"})
    EXPECT_NE(policy.find("<" + key + ">auth_admin</" + key + ">"), std::string::npos) << key;
  EXPECT_EQ(policy.find("_keep"), std::string::npos) << "no authorization outlives the run";
  EXPECT_NE(policy.find(std::string("\"org.freedesktop.policykit.exec.path\">") +
                        platform::kAccessBrokerPath + "<"),
            std::string::npos);
}

}  // namespace
}  // namespace rz::test
