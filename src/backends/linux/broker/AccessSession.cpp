// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/broker/AccessSession.h"

#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <thread>

#include "backends/linux/process/Subprocess.h"
#include "backends/linux/process/WatchedWait.h"

namespace rz::platform {
namespace {

constexpr int kPkexecDismissed = 126;
constexpr int kPkexecNotAuthorised = 127;

std::string Seconds(int ms) {
  const int seconds = (ms + 999) / 1000;
  return std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
}

// The text after the first word of a message, without its line end.
std::string Rest(const std::string& text) {
  const auto blank = text.find(' ');
  std::string rest = blank == std::string::npos ? std::string() : text.substr(blank + 1);
  while (!rest.empty() && (rest.back() == '\n' || rest.back() == ' ')) rest.pop_back();
  return rest;
}

}  // namespace

bool RunningAsRoot() { return ::geteuid() == 0; }

AccessSession::AccessSession(AccessOptions options) : options_(std::move(options)) {}

AccessSession::AccessSession(AccessOptions options, UniqueFd socket, pid_t helper)
    : options_(std::move(options)), tried_(true), socket_(std::move(socket)), helper_(helper) {}

AccessSession::~AccessSession() {
  socket_.Reset();
  WaitForHelper(options_.replyLimitMs);
}

void AccessSession::WaitForHelper(int limitMs) {
  if (helper_ <= 0) return;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  for (;;) {
    int status = 0;
    const pid_t r = ::waitpid(helper_, &status, WNOHANG);
    if (r == helper_ || (r < 0 && errno != EINTR)) break;
    // A helper that does not end with its socket is left to the system (it is reaped once the
    // program ends); the program's own end is not held up by it.
    if (std::chrono::steady_clock::now() >= until) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  helper_ = -1;
}

void AccessSession::Fail(AccessFailure failure, std::string reason) {
  failure_ = failure;
  reason_ = std::move(reason);
  socket_.Reset();
  WaitForHelper(options_.replyLimitMs);
}

void AccessSession::Break(AccessFailure failure, const std::string& reason) {
  if (failure_ == AccessFailure::None) Fail(failure, reason);
}

bool AccessSession::Start() {
  if (tried_) return socket_.Valid();
  tried_ = true;
  const AccessOptions& o = options_;
  if (::access(o.pkexec.c_str(), X_OK) != 0) {
    Fail(AccessFailure::PkexecMissing,
         o.pkexec + " was not found: install pkexec (package pkexec) to use the graphics card as "
                    "an ordinary user, or run the program as root");
    return false;
  }
  if (::access(o.broker.c_str(), X_OK) != 0) {
    Fail(AccessFailure::BrokerMissing,
         "the access helper " + o.broker + " is not installed: reinstall the package");
    return false;
  }
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
    Fail(AccessFailure::NothingSent, "no socket for the access helper could be made");
    return false;
  }
  UniqueFd ours(pair[0]), theirs(pair[1]);
  helper_ = SpawnWithStdio(o.pkexec, {o.broker, std::to_string(o.protocolVersion)}, theirs.Get());
  if (helper_ < 0) {
    Fail(AccessFailure::PkexecMissing, o.pkexec + " could not be started");
    return false;
  }
  theirs.Reset();  // the socket ends when the helper's copy goes
  socket_ = std::move(ours);

  // No limit: pkexec may be asking for a password.
  const AccessMessage greeting = ReceiveAccessMessage(socket_.Get(), -1);
  const std::vector<std::string> words = greeting.Words();
  const std::string version = std::to_string(o.protocolVersion);
  if (greeting.Ok() && words.size() == 3 && words[0] == kAccessGreeting) {
    if (words[2] == kAccessReady && words[1] == version && greeting.fds.empty()) return true;
    if (words[2] == kAccessMismatch || words[1] != version) {
      Fail(AccessFailure::ProtocolMismatch,
           "the access helper " + o.broker + " speaks protocol version " + words[1] +
               ", this program " + version +
               ": the program and its helper come from different versions; reinstall the package");
      return false;
    }
  }
  if (greeting.Ok()) {
    Fail(AccessFailure::NothingSent,
         "the access helper " + o.broker + " did not greet the program as it should");
    return false;
  }
  // The helper's end of the socket went: pkexec ended without starting it, or it ended.
  socket_.Reset();
  const int status = WaitForExit(helper_);
  helper_ = -1;
  if (status == kPkexecDismissed)
    Fail(AccessFailure::Refused,
         "authentication was refused or dismissed: the graphics card can only be read and "
         "programmed after authenticating as an administrator");
  else if (status == kPkexecNotAuthorised)
    Fail(AccessFailure::NotAuthorised,
         "not authorised to reach the graphics card, or no polkit authentication agent is running "
         "to ask for a password: start the program from a desktop session, or run it as root");
  else
    Fail(AccessFailure::NothingSent, "the access helper " + o.broker +
                                         " did not start serving the program (exit status " +
                                         std::to_string(status) + ")");
  return false;
}

AccessMessage AccessSession::Checked(AccessMessage m) {
  if (m.status == AccessMessage::Status::TimedOut)
    Break(AccessFailure::NoAnswer, "the access helper " + options_.broker +
                                       " did not answer within " + Seconds(options_.replyLimitMs));
  else if (!m.Ok())
    Break(AccessFailure::NothingSent,
          "the access helper " + options_.broker + " ended while the program ran");
  return m;
}

AccessMessage AccessSession::Ask(const std::string& request, const std::vector<int>& fds) {
  if (!socket_.Valid()) return {};
  if (!SendAccessMessage(socket_.Get(), request, fds)) return Checked({});
  return Next(options_.replyLimitMs);
}

AccessMessage AccessSession::Next(int limitMs) {
  if (!socket_.Valid()) return {};
  return Checked(ReceiveAccessMessage(socket_.Get(), limitMs));
}

UniqueFd AccessSession::OpenRunLock(std::string& refusal) {
  refusal.clear();
  AccessMessage m = Ask(std::string(kAccessLockRequest) + "\n");
  const std::vector<std::string> words = m.Words();
  if (m.Ok() && words.size() == 1 && words[0] == kAccessLockRequest && m.fds.size() == 1)
    return std::move(m.fds[0]);
  if (m.Ok() && !words.empty() && words[0] == kAccessRefused && m.fds.empty()) {
    refusal = Rest(m.text);
    return UniqueFd();
  }
  if (m.Ok())
    Break(AccessFailure::NothingSent,
          "the access helper " + options_.broker + " did not answer the request for the lock");
  refusal = reason_;
  return UniqueFd();
}

LaunchResult AccessSession::RunTool(const ToolRequest& request, int folderFd,
                                    const WaitWatch& watch) {
  const std::string text = std::string(kAccessToolRequest) + " " + ToolCommandName(request.command) +
                           " " + std::to_string(request.adapter) + "\n";
  const AccessMessage started = Ask(text, {folderFd});
  const std::vector<std::string> words = started.Words();
  if (!started.Ok() || (!words.empty() && words[0] == kAccessRefused)) return {};
  if (words != std::vector<std::string>{kAccessToolRequest, kAccessToolStarted}) {
    Break(AccessFailure::NothingSent,
          "the access helper " + options_.broker + " did not answer the request for the tool");
    return {};
  }
  // The tool's run is waited for without a limit, as the program would wait for it itself.
  if (socket_.Valid()) WaitReadableWatched(socket_.Get(), watch);
  const AccessMessage ended = Next(-1);
  const std::vector<std::string> end = ended.Words();
  int status = -1;
  if (ended.Ok() && end.size() == 3 && end[0] == kAccessToolRequest && end[1] == kAccessToolEnded &&
      std::from_chars(end[2].data(), end[2].data() + end[2].size(), status).ec == std::errc())
    return {true, status};
  if (ended.Ok())
    Break(AccessFailure::NothingSent,
          "the access helper " + options_.broker + " did not say how the tool ended");
  return {true, -1};
}

}  // namespace rz::platform
