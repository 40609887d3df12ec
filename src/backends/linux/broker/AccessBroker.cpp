// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/broker/AccessBroker.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "backends/linux/broker/AccessMessages.h"
#include "backends/linux/broker/AccessProtocol.h"
#include "backends/linux/broker/BrokerFiles.h"
#include "backends/linux/process/Subprocess.h"
#include "backends/linux/process/ToolCommands.h"

namespace rz::platform {
namespace {

std::string Greeting(const char* tail) {
  return std::string(kAccessGreeting) + " " + std::to_string(kAccessProtocolVersion) + " " + tail +
         "\n";
}

bool Refuse(int socket, const std::string& reason) {
  return SendAccessMessage(socket, std::string(kAccessRefused) + " " + reason + "\n");
}

bool SendFiles(int socket, const std::string& sysfsRoot) {
  const std::vector<BrokerFile> files = OpenBrokerFiles(sysfsRoot);
  if (!SendAccessMessage(socket, std::string(kAccessFilesRequest) + " " +
                                     std::to_string(files.size()) + "\n"))
    return false;
  for (std::size_t first = 0; first < files.size(); first += kAccessFilesPerMessage) {
    const std::size_t last = std::min(files.size(), first + kAccessFilesPerMessage);
    std::string text;
    std::vector<int> fds;
    for (std::size_t i = first; i < last; ++i) {
      text += files[i].device + " " + files[i].file + (files[i].writable ? " w\n" : " r\n");
      fds.push_back(files[i].fd.Get());
    }
    if (!SendAccessMessage(socket, text, fds)) return false;
  }
  return true;
}

bool SendLock(int socket, const std::string& path) {
  std::string reason;
  const UniqueFd fd = OpenRunLockFile(path, reason);
  if (!fd.Valid()) return Refuse(socket, reason);
  return SendAccessMessage(socket, std::string(kAccessLockRequest) + "\n", {fd.Get()});
}

// The user the program runs as: who made the socket pair the helper was handed.
std::optional<uid_t> PeerUser(int socket) {
  ucred credentials{};
  socklen_t size = sizeof credentials;
  if (::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0) return std::nullopt;
  return credentials.uid;
}

// Why the vendor tool, run as root, may not work in the folder of `fd`; empty when it may: the
// folder must be the program's user's own, and no one else may put anything into it.
std::string FolderProblem(int fd, std::optional<uid_t> user) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode)) return "the tool's folder is not a folder";
  if (!user || st.st_uid != *user) return "the tool's folder does not belong to the program's user";
  if ((st.st_mode & 022) != 0) return "the tool's folder may be written by other users";
  return {};
}

// Why the tool at `path` may not be run as root; empty when it may: it and its folder must be the
// helper's own (root's, as installed), and no one else may change them.
std::string ToolProblem(const std::string& path) {
  const auto guarded = [](const std::string& p, bool folder) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 && (folder ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode)) &&
           st.st_uid == ::geteuid() && (st.st_mode & 022) == 0;
  };
  const auto slash = path.rfind('/');
  if (slash == std::string::npos || !guarded(path, false) || !guarded(path.substr(0, slash), true))
    return "the vendor tool " + path +
           " is missing, or it or its folder may be changed by others than root";
  return {};
}

bool RunTool(int socket, const std::vector<std::string>& words, std::vector<UniqueFd>& fds,
             const BrokerSetup& setup, std::optional<uid_t> user) {
  const auto command = words.size() == 3 ? FindToolCommand(words[1]) : std::nullopt;
  const auto adapter = words.size() == 3 ? ToolAdapter(words[2]) : std::nullopt;
  if (!command || !adapter || fds.size() != 1)
    return Refuse(socket, "a tool request names a fixed command and adapter 0 or 1 and carries its folder");
  if (const std::string problem = FolderProblem(fds[0].Get(), user); !problem.empty())
    return Refuse(socket, problem);
  if (setup.tool.empty()) return Refuse(socket, "no vendor tool is installed");
  if (const std::string problem = ToolProblem(setup.tool); !problem.empty())
    return Refuse(socket, problem);
  const pid_t pid = SpawnUninterruptible(setup.tool, ToolArguments(*command, *adapter), fds[0].Get());
  if (pid < 0) return Refuse(socket, "the vendor tool " + setup.tool + " could not be started");
  fds.clear();
  const bool told = SendAccessMessage(socket, std::string(kAccessToolRequest) + " " + kAccessToolStarted + "\n");
  // Waited for whatever happens to the program: the tool is never left without its helper.
  const int status = WaitForExit(pid);
  return told && SendAccessMessage(socket, std::string(kAccessToolRequest) + " " + kAccessToolEnded +
                                               " " + std::to_string(status) + "\n");
}

}  // namespace

int ServeAccessBroker(int socket, const BrokerSetup& setup, std::string_view requestedVersion) {
  if (requestedVersion != std::to_string(kAccessProtocolVersion))
    return SendAccessMessage(socket, Greeting(kAccessMismatch)) ? kAccessExitMismatch
                                                                : kAccessExitSocketFailed;
  if (!SendAccessMessage(socket, Greeting(kAccessReady))) return kAccessExitSocketFailed;
  const std::optional<uid_t> user = PeerUser(socket);
  for (;;) {
    AccessMessage request = ReceiveAccessMessage(socket, -1);
    if (request.status == AccessMessage::Status::Ended) return kAccessExitDone;
    if (!request.Ok()) return kAccessExitSocketFailed;
    const std::vector<std::string> words = request.Words();
    const std::string verb = words.empty() ? std::string() : words[0];
    const bool plain = words.size() == 1 && request.fds.empty();
    bool sent;
    if (verb == kAccessFilesRequest && plain)
      sent = SendFiles(socket, setup.sysfsRoot);
    else if (verb == kAccessLockRequest && plain)
      sent = SendLock(socket, setup.lockFile);
    else if (verb == kAccessToolRequest)
      sent = RunTool(socket, words, request.fds, setup, user);
    else
      sent = Refuse(socket, "unknown request");
    if (!sent) return kAccessExitSocketFailed;
  }
}

}  // namespace rz::platform
