// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChildProcess.h"

#include <cstring>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace rz::e2e {

namespace {

// The variables that name the temporary folder, on every system, so that a run's own folders
// land in the sandbox.
constexpr const char* kTemporaryVariables[] = {"TMPDIR", "TMP", "TEMP"};

bool IsTemporaryVariable(const std::string& entry) {
  for (const char* v : kTemporaryVariables)
    if (entry.rfind(std::string(v) + "=", 0) == 0) return true;
  return false;
}

#ifdef _WIN32
// One argument as the C runtime's command-line parser reads it back.
std::string Quote(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string q = "\"";
  std::size_t backslashes = 0;
  for (const char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    q.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    q += c;
  }
  q.append(backslashes * 2, '\\');
  return q + "\"";
}

HANDLE OpenForChild(const std::string& path, bool write) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileA(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Closes a handle once.
struct Handle {
  HANDLE h;
  ~Handle() {
    if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};
#endif

}  // namespace

#ifdef _WIN32
int RunChild(const std::string& program, const std::vector<std::string>& args,
             const std::string& folder, const std::string& outPath, const std::string& errPath) {
  std::string line = Quote(program);
  for (const auto& a : args) line += " " + Quote(a);
  // The environment block: ours without the temporary folder variables, then those.
  std::string block;
  if (char* env = GetEnvironmentStringsA()) {
    for (const char* e = env; *e; e += std::strlen(e) + 1)
      if (!IsTemporaryVariable(e)) block.append(e).push_back('\0');
    FreeEnvironmentStringsA(env);
  }
  for (const char* v : kTemporaryVariables) block.append(std::string(v) + "=" + folder).push_back('\0');
  block.push_back('\0');

  Handle in{OpenForChild("NUL", false)}, out{OpenForChild(outPath, true)},
      err{OpenForChild(errPath, true)};
  if (in.h == INVALID_HANDLE_VALUE || out.h == INVALID_HANDLE_VALUE || err.h == INVALID_HANDLE_VALUE)
    throw std::runtime_error("cannot open the child's standard files");
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in.h;
  startup.hStdOutput = out.h;
  startup.hStdError = err.h;
  PROCESS_INFORMATION process{};
  // Under Wine a start now and then fails while the wineserver is busy with other test
  // processes; a few more tries tell that from a program that cannot start at all.
  DWORD error = 0;
  for (int attempt = 0; attempt < 5; ++attempt) {
    std::string commandLine = line;  // the call may write into its command line
    if (CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                       block.data(), folder.c_str(), &startup, &process)) {
      error = 0;
      break;
    }
    error = GetLastError();
    Sleep(200);
  }
  if (error != 0)
    throw std::runtime_error("cannot start " + program + " (error " + std::to_string(error) + ")");
  Handle thread{process.hThread}, child{process.hProcess};
  WaitForSingleObject(child.h, INFINITE);
  DWORD code = 0;
  if (!GetExitCodeProcess(child.h, &code)) throw std::runtime_error("no exit status");
  return static_cast<int>(code);
}
#else
std::vector<std::string> ChildEnvironment(const std::string& folder) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (!IsTemporaryVariable(*e)) env.emplace_back(*e);
  for (const char* v : kTemporaryVariables) env.push_back(std::string(v) + "=" + folder);
  return env;
}

int RunChild(const std::string& program, const std::vector<std::string>& args,
             const std::string& folder, const std::string& outPath, const std::string& errPath) {
  std::vector<std::string> all{program};
  all.insert(all.end(), args.begin(), args.end());
  // Everything the child needs is built before the fork.
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env = ChildEnvironment(folder);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int o = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || o < 0 || e < 0 || dup2(in, 0) < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0 ||
        chdir(folder.c_str()) != 0)
      _exit(126);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) throw std::runtime_error("waitpid failed");
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
#endif

}  // namespace rz::e2e
