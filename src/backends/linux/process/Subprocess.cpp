// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/process/Subprocess.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace rz::platform {

namespace {

// argv for execv, built before fork so that the child only calls async-signal-safe functions.
class ArgVector {
 public:
  ArgVector(const std::string& path, const std::vector<std::string>& args) : words_{path} {
    words_.insert(words_.end(), args.begin(), args.end());
    for (auto& w : words_) pointers_.push_back(w.data());
    pointers_.push_back(nullptr);
  }
  char* const* Get() { return pointers_.data(); }

 private:
  std::vector<std::string> words_;
  std::vector<char*> pointers_;
};

// Closes a descriptor once.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Close(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return fd_; }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

// In the child: report errno through `fd` and end.
[[noreturn]] void Report(int fd) {
  const int error = errno;
  ssize_t ignored = ::write(fd, &error, sizeof error);
  (void)ignored;
  ::_exit(127);
}

// In the child: enter `folder` (when given) and exec, or report errno through `fd` and end.
[[noreturn]] void ExecOrReport(const std::string& path, char* const* argv, int fd,
                               const char* folder = nullptr) {
  if (!folder || ::chdir(folder) == 0) ::execv(path.c_str(), argv);
  Report(fd);
}

// In the parent: true when the child's exec succeeded (the pipe closed without a report).
bool ExecSucceeded(int fd) {
  int error = 0;
  ssize_t n;
  do {
    n = ::read(fd, &error, sizeof error);
  } while (n < 0 && errno == EINTR);
  return n == 0;
}

}  // namespace

int WaitForExit(pid_t pid) {
  int status = 0;
  pid_t r;
  do {
    r = ::waitpid(pid, &status, 0);
  } while (r < 0 && errno == EINTR);
  if (r < 0) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

std::vector<std::string> SplitParameters(const std::string& parameters) {
  std::vector<std::string> words;
  std::string word;
  for (const char c : parameters) {
    if (c == ' ' || c == '\t') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

std::string FindProgram(const std::string& program) {
  if (program.empty()) return {};
  if (program.find('/') != std::string::npos) return program;
  const char* pathVar = std::getenv("PATH");
  std::istringstream folders(pathVar ? pathVar : "/usr/local/bin:/usr/bin:/bin");
  for (std::string folder; std::getline(folders, folder, ':');) {
    if (folder.empty()) continue;
    const std::string candidate = folder + "/" + program;
    struct stat st {};
    if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        ::access(candidate.c_str(), X_OK) == 0)
      return candidate;
  }
  return {};
}

LaunchResult SpawnAndWait(const std::string& path, const std::vector<std::string>& args,
                          const std::string& folder) {
  if (path.empty()) return {};
  ArgVector argv(path, args);
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return {};
  Fd readEnd(fds[0]), writeEnd(fds[1]);
  const pid_t pid = ::fork();
  if (pid < 0) return {};
  if (pid == 0) ExecOrReport(path, argv.Get(), writeEnd.Get(), folder.empty() ? nullptr : folder.c_str());
  writeEnd.Close();
  const bool started = ExecSucceeded(readEnd.Get());
  const int status = WaitForExit(pid);
  if (!started) return {};
  return {true, status};
}

pid_t SpawnWithStdio(const std::string& path, const std::vector<std::string>& args, int stdio) {
  if (path.empty()) return -1;
  ArgVector argv(path, args);
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return -1;
  Fd readEnd(fds[0]), writeEnd(fds[1]);
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    if (::dup2(stdio, STDIN_FILENO) < 0 || ::dup2(stdio, STDOUT_FILENO) < 0) Report(writeEnd.Get());
    ExecOrReport(path, argv.Get(), writeEnd.Get());
  }
  writeEnd.Close();
  if (ExecSucceeded(readEnd.Get())) return pid;
  WaitForExit(pid);
  return -1;
}

pid_t SpawnUninterruptible(const std::string& path, const std::vector<std::string>& args,
                           int folderFd) {
  if (path.empty()) return -1;
  ArgVector argv(path, args);
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return -1;
  Fd readEnd(fds[0]), writeEnd(fds[1]);
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    // Only async-signal-safe calls between fork and exec. An ignored signal stays ignored
    // across exec.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    for (const int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) ::sigaction(s, &ignore, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (folderFd >= 0 && ::fchdir(folderFd) != 0) Report(writeEnd.Get());
    ExecOrReport(path, argv.Get(), writeEnd.Get());
  }
  writeEnd.Close();
  if (ExecSucceeded(readEnd.Get())) return pid;
  WaitForExit(pid);
  return -1;
}

bool SpawnDetached(const std::string& path, const std::vector<std::string>& args) {
  if (path.empty()) return false;
  ArgVector argv(path, args);
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  Fd readEnd(fds[0]), writeEnd(fds[1]);
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    // The intermediate child starts the program and ends at once, so init adopts the program.
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild < 0) Report(writeEnd.Get());
    if (grandchild == 0) ExecOrReport(path, argv.Get(), writeEnd.Get());
    ::_exit(0);
  }
  writeEnd.Close();
  WaitForExit(pid);
  return ExecSucceeded(readEnd.Get());
}

}  // namespace rz::platform
