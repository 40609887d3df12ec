// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef _WIN32
#include "PipedJob.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "ChildProcess.h"

namespace rz::e2e {

namespace {

constexpr const char* kReader = "/usr/bin/tee";

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// argv or envp for execve, built before the fork.
struct Words {
  explicit Words(std::vector<std::string> w) : words(std::move(w)) {
    for (auto& s : words) pointers.push_back(s.data());
    pointers.push_back(nullptr);
  }
  std::vector<std::string> words;
  std::vector<char*> pointers;
};

// In a child: joins the job's group (`group` 0: leads a new one), gives up core dumps, and puts
// `in`, `out` and `err` in place of the standard descriptors. Ends the child when it cannot.
void EnterJob(pid_t group, int in, int out, int err) {
  const rlimit noCore{0, 0};
  if (::setpgid(0, group) != 0 || ::setrlimit(RLIMIT_CORE, &noCore) != 0 || ::dup2(in, 0) < 0 ||
      ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0)
    ::_exit(126);
}

int Reap(pid_t pid, int options = 0) {
  int status = 0;
  pid_t r;
  do {
    r = ::waitpid(pid, &status, options);
  } while (r < 0 && errno == EINTR);
  if (r != pid) throw std::runtime_error("waitpid failed");
  return status;
}

int ExitStatus(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

PipedJob::PipedJob(const std::string& program, const std::vector<std::string>& args,
                   const std::string& folder, Piped piped)
    : folder_(folder) {
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), args.begin(), args.end());
  Words programArgs(argv), env(ChildEnvironment(folder));
  Words readerArgs({kReader, folder + "/.reader-log"});
  const std::string unpiped = folder + "/.unpiped";
  int pipe[2];
  if (::pipe(pipe) != 0) throw std::runtime_error("no pipe");
  program_ = ::fork();
  if (program_ < 0) throw std::runtime_error("fork failed");
  if (program_ == 0) {
    const int nul = ::open("/dev/null", O_RDONLY);
    const int file = ::open(unpiped.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (nul < 0 || file < 0) ::_exit(126);
    EnterJob(0, nul, piped == Piped::Error ? file : pipe[1], piped == Piped::Output ? file : pipe[1]);
    ::close(pipe[0]);
    ::close(pipe[1]);
    if (::chdir(folder.c_str()) != 0) ::_exit(126);
    ::execve(program.c_str(), programArgs.pointers.data(), env.pointers.data());
    ::_exit(127);
  }
  ::setpgid(program_, program_);  // either side may come first; both set the same group
  reader_ = ::fork();
  if (reader_ < 0) throw std::runtime_error("fork failed");
  if (reader_ == 0) {
    const int nul = ::open("/dev/null", O_WRONLY);
    if (nul < 0) ::_exit(126);
    EnterJob(program_, pipe[0], nul, nul);
    ::close(pipe[0]);
    ::close(pipe[1]);
    ::execve(kReader, readerArgs.pointers.data(), env.pointers.data());
    ::_exit(127);
  }
  ::setpgid(reader_, program_);
  ::close(pipe[0]);
  ::close(pipe[1]);
}

PipedJob::~PipedJob() {
  for (pid_t* pid : {&program_, &reader_}) {
    if (*pid <= 0) continue;
    ::kill(*pid, SIGKILL);
    ::waitpid(*pid, nullptr, 0);
  }
}

bool PipedJob::WaitUntilStopped() {
  const int status = Reap(program_, WUNTRACED);
  if (WIFSTOPPED(status)) return true;
  status_ = ExitStatus(status);
  program_ = -1;
  return false;
}

void PipedJob::WaitForReader() {
  Reap(reader_);
  reader_ = -1;
}

void PipedJob::SignalJob(int signal) {
  if (::kill(-program_, signal) != 0) throw std::runtime_error("kill failed");
  WaitForReader();
}

void PipedJob::EndReader() {
  ::kill(reader_, SIGTERM);
  WaitForReader();
}

int PipedJob::ContinueToEnd() {
  if (program_ > 0) {
    ::kill(program_, SIGCONT);
    status_ = ExitStatus(Reap(program_));
    program_ = -1;
  }
  return status_;
}

std::string PipedJob::ReaderLog() const { return Slurp(folder_ + "/.reader-log"); }
std::string PipedJob::UnpipedText() const { return Slurp(folder_ + "/.unpiped"); }

}  // namespace rz::e2e
#endif
