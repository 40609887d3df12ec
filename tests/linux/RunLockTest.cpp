// SPDX-License-Identifier: GPL-3.0-or-later
// The machine's single-instance lock on Linux: its file (root's, private, never through a link),
// one lock for every program and user, what an ordinary user cannot do to it, and a run that
// cannot lock and therefore does not reach the card.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "app/Program.h"
#include "backends/linux/LinuxServiceControl.h"
#include "backends/linux/access/LinuxDriverDevice.h"
#include "backends/linux/broker/RunLock.h"
#include "backends/linux/broker/RunLockFile.h"
#include "backends/linux/process/LinuxSystem.h"
#include "hw/IoDriver.h"
#include "sim/seams/Recorders.h"
#include "support/ScriptedUi.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;
using platform::RunLockState;

// The ids of the user nobody; none when the machine has no such user or this process may not
// become another user.
std::optional<std::pair<uid_t, gid_t>> Nobody() {
  if (::geteuid() != 0) return std::nullopt;
  const passwd* p = ::getpwnam("nobody");
  if (!p) return std::nullopt;
  return std::make_pair(p->pw_uid, p->pw_gid);
}

// A child process that runs `body` as the user nobody, started by the constructor.
class AsNobody {
 public:
  explicit AsNobody(const std::function<int()>& body) {
    const auto ids = Nobody();
    pid_ = ::fork();
    if (pid_ == 0) {
      if (!ids || ::setgroups(0, nullptr) != 0 || ::setgid(ids->second) != 0 ||
          ::setuid(ids->first) != 0)
        ::_exit(100);
      ::_exit(body());
    }
  }
  ~AsNobody() { Wait(); }
  // The child's exit status; -1 when it did not exit normally.
  int Wait() {
    if (pid_ > 0) {
      int status = 0;
      while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
      }
      result_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      pid_ = -1;
    }
    return result_;
  }

 private:
  pid_t pid_ = -1;
  int result_ = -1;
};

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(RunLockFile, IsARegularFileOfItsOwnOwnerThatNoOneElseMayOpen) {
  TempDir dir;
  dir.Write("open.lock", "");
  ::chmod(dir.File("open.lock").c_str(), 0666);
  dir.Write("foreign.lock", "");
  fs::create_symlink(dir.File("open.lock"), dir.File("link.lock"));
  fs::create_directory(dir.File("folder.lock"));
  ASSERT_EQ(::mkfifo(dir.File("fifo.lock").c_str(), 0600), 0);
  const bool asRoot = ::geteuid() == 0;
  if (asRoot) {
    ASSERT_EQ(::chown(dir.File("foreign.lock").c_str(), 65534, 65534), 0);
  }
  struct Case {
    const char* name;
    bool opens;
    const char* reasonPart;
  } cases[] = {{"new.lock", true, ""},
               {"open.lock", true, ""},  // made private
               {"link.lock", false, "cannot be opened"},
               {"folder.lock", false, "cannot be opened"},
               {"fifo.lock", false, "not a regular file"},
               {"missing/x.lock", false, "No such file"},
               {"foreign.lock", !asRoot, "belongs to user 65534"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string reason;
    const platform::UniqueFd fd = platform::OpenRunLockFile(dir.File(c.name), reason);
    EXPECT_EQ(fd.Valid(), c.opens) << reason;
    EXPECT_NE(reason.find(c.reasonPart), std::string::npos) << reason;
    if (c.opens) {
      EXPECT_EQ(ModeOf(dir.File(c.name)), 0600u);
    }
  }
  EXPECT_EQ(ModeOf(dir.File("link.lock")) & S_IFMT, 0u) << "the link itself is left";
}

// A lock file that an ordinary user made and holds in a world-writable folder (where the lock used
// to be), until the object goes.
class OldPlaceHolder {
 public:
  explicit OldPlaceHolder(const std::string& file) {
    int ready[2], release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
    readyFd_ = ready[0];
    releaseFd_ = release[1];
    child_ = std::make_unique<AsNobody>([&] {
      ::close(ready[0]);
      ::close(release[1]);
      const int fd = ::open(file.c_str(), O_RDWR | O_CREAT, 0644);
      if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) return 1;
      const char byte = 1;
      if (::write(ready[1], &byte, 1) != 1) return 2;
      char ignored;
      while (::read(release[0], &ignored, 1) > 0) {
      }
      return 0;
    });
    ::close(ready[1]);
    ::close(release[0]);
    char byte = 0;
    held_ = ::read(readyFd_, &byte, 1) == 1;
  }
  ~OldPlaceHolder() {
    if (releaseFd_ >= 0) ::close(releaseFd_);
    if (readyFd_ >= 0) ::close(readyFd_);
    child_.reset();
  }
  bool Held() const { return held_; }

 private:
  std::unique_ptr<AsNobody> child_;
  int readyFd_ = -1, releaseFd_ = -1;
  bool held_ = false;
};

// Every other holder that must, or must not, stop a run: another program under any name, and an
// ordinary user's lock file where the lock used to be (a world-writable folder like /run/lock).
TEST(SingleInstance, OneLockForEveryProgramAndUserOfTheMachine) {
  struct Case {
    const char* what;
    const char* first;     // the name the program running first asked with; null: none runs
    bool userInOldPlace;   // an ordinary user holds rzflash-cli.lock in the world-writable folder
    const char* second;    // the name the starting program asks with
    bool refused;
  } cases[] = {
      {"the same program twice", "rzflash", false, "rzflash", true},
      {"the window, then the terminal", "rzflash", false, "rzflash-cli", true},
      {"the terminal, then the window", "rzflash-cli", false, "rzflash", true},
      {"a copy under another name", "RZFLASH2", false, "rzflash", true},
      {"an ordinary user's file in the old place", nullptr, true, "rzflash-cli", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    ::chmod(dir.Path().c_str(), 0755);
    const std::string old = dir.File("lock");
    fs::create_directory(old);
    ::chmod(old.c_str(), 01777);
    const platform::LinuxSystemOptions options{dir.File("rzflash.lock"), dir.Path().string()};
    std::unique_ptr<OldPlaceHolder> user;
    if (c.userInOldPlace) {
      if (!Nobody()) GTEST_SKIP() << "becoming the user nobody needs root and that user";
      user = std::make_unique<OldPlaceHolder>(old + "/rzflash-cli.lock");
      ASSERT_TRUE(user->Held());
    }
    platform::LinuxSystem first(options), second(options);
    if (c.first) {
      ASSERT_FALSE(first.AnotherInstanceRunning(c.first));
    }
    EXPECT_EQ(second.AnotherInstanceRunning(c.second), c.refused);
    EXPECT_EQ(second.Lock().State(), c.refused ? RunLockState::HeldElsewhere : RunLockState::Held);
    if (!c.first) continue;
    first.ReleaseSingleInstance();
    EXPECT_FALSE(second.AnotherInstanceRunning(c.second)) << "released by the first";
  }
}

TEST(SingleInstance, AnOrdinaryUserCanNeitherMakeNorOpenNorHoldTheLock) {
  if (!Nobody()) GTEST_SKIP() << "becoming the user nobody needs root and that user";
  TempDir dir;
  ::chmod(dir.Path().c_str(), 0755);  // as /run: everyone may look, only root may write
  const std::string lock = dir.File("rzflash.lock");
  for (const bool exists : {false, true}) {
    SCOPED_TRACE(exists ? "the file exists" : "no file yet");
    if (exists) {
      platform::RunLock root(lock);
      ASSERT_EQ(root.Take(), RunLockState::Held);
    }
    AsNobody user([&] {
      int failures = 0;
      std::string reason;
      if (!platform::OpenRunLockFile(lock, reason).Valid()) failures |= 1;
      const int read = ::open(lock.c_str(), O_RDONLY);
      if (read < 0) failures |= 2;
      platform::RunLock taken(lock);
      if (taken.Take() == RunLockState::Unavailable) failures |= 4;
      return failures;
    });
    EXPECT_EQ(user.Wait(), 7);
    EXPECT_EQ(fs::exists(lock), exists) << "the user did not make it";
    platform::RunLock root(lock);
    EXPECT_EQ(root.Take(), RunLockState::Held);
  }
}

// A root run whose lock folder cannot hold the lock: no other instance is claimed, but the driver
// bring-up is refused with the reason, so nothing reaches the card.
TEST(SingleInstance, ARunThatCannotLockDoesNotReachTheCard) {
  TempDir dir;
  dir.Write("port", std::string(0x10000, '\0'));
  dir.Write("mem", std::string(4096, '\0'));
  dir.Write("a-file", "");
  struct Case {
    const char* what;
    std::string lockFile;
    bool reached;
  } cases[] = {{"a folder that may hold it", dir.File("rzflash.lock"), true},
               {"a missing folder", dir.File("run/rzflash.lock"), false},
               {"a file where the folder should be", dir.File("a-file/rzflash.lock"), false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::AccessOptions root;
    root.asRoot = true;
    platform::AccessSession helper(root);
    platform::SysfsFilesSlot slot;
    platform::LinuxDriverDevice device{platform::LinuxDriverPaths{
        dir.File("port"), dir.File("mem"), platform::WidePortAccess::PortFileBytes}};
    platform::LinuxSystem system{platform::LinuxSystemOptions{c.lockFile, dir.Path().string(), &helper}};
    platform::LinuxServiceControl services{slot, helper, &system.Lock()};
    sim::EmulatedToolLauncher launcher;
    sim::EmulatedRegistry registry;
    sim::RecordingShutdown shutdown;
    sim::RecordingShellOpen shell;
    std::unique_ptr<platform::FileSystem> files = platform::MakeHostFileSystem();
    platform::Platform seams{device, services, system, *files, launcher, registry, shutdown, shell};
    ui::ScriptedUi ui;
    app::Program program(seams, ui);
    bool detected = false;
    program.detect = [&](app::Program&) {
      detected = true;
      return false;
    };
    const app::StartResult started = program.FormCreate();
    EXPECT_EQ(detected, c.reached);
    if (c.reached) {
      EXPECT_EQ(started, app::StartResult::EndedByDetection);
      EXPECT_TRUE(services.AccessProblem().empty());
    } else {
      EXPECT_EQ(started, app::StartResult::DriverFailed) << "not another instance";
      EXPECT_EQ(ui.Lines(), std::vector<std::string>{"dialog: Initialize DODozori Fail!!!"});
      EXPECT_NE(services.AccessProblem().find("single-instance lock cannot be taken"),
                std::string::npos)
          << services.AccessProblem();
      EXPECT_NE(services.AccessProblem().find(c.lockFile), std::string::npos);
    }
    program.FormDestroy();
  }
}

}  // namespace
}  // namespace rz::test
