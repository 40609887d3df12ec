// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/broker/AccessMessages.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <sstream>

#include "backends/linux/broker/AccessProtocol.h"

namespace rz::platform {

namespace {

// Waits until `socket` has something to read (or was closed). False when the time ran out or
// the wait failed; `timedOut` tells which.
bool WaitReadable(int socket, int limitMs, bool& timedOut) {
  timedOut = false;
  if (limitMs < 0) return true;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        until - std::chrono::steady_clock::now());
    pollfd p{socket, POLLIN, 0};
    const int n = ::poll(&p, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
    if (n > 0) return true;
    if (n == 0) {
      timedOut = true;
      return false;
    }
    if (errno != EINTR) return false;
  }
}

}  // namespace

std::vector<std::string> AccessMessage::Words() const {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

bool SendAccessMessage(int socket, const std::string& text, const std::vector<int>& fds) {
  iovec io{const_cast<char*>(text.data()), text.size()};
  msghdr msg{};
  msg.msg_iov = &io;
  msg.msg_iovlen = 1;
  std::vector<char> control;
  if (!fds.empty()) {
    control.assign(CMSG_SPACE(sizeof(int) * fds.size()), 0);
    msg.msg_control = control.data();
    msg.msg_controllen = control.size();
    cmsghdr* header = CMSG_FIRSTHDR(&msg);
    header->cmsg_level = SOL_SOCKET;
    header->cmsg_type = SCM_RIGHTS;
    header->cmsg_len = CMSG_LEN(sizeof(int) * fds.size());
    std::memcpy(CMSG_DATA(header), fds.data(), sizeof(int) * fds.size());
  }
  ssize_t sent;
  do {
    sent = ::sendmsg(socket, &msg, MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  return sent == static_cast<ssize_t>(text.size());
}

AccessMessage ReceiveAccessMessage(int socket, int limitMs) {
  AccessMessage m;
  bool timedOut = false;
  if (!WaitReadable(socket, limitMs, timedOut)) {
    m.status = timedOut ? AccessMessage::Status::TimedOut : AccessMessage::Status::Failed;
    return m;
  }
  std::vector<char> buffer(kAccessMessageBytes);
  std::vector<char> control(CMSG_SPACE(sizeof(int) * kAccessFilesPerMessage));
  iovec io{buffer.data(), buffer.size()};
  msghdr msg{};
  msg.msg_iov = &io;
  msg.msg_iovlen = 1;
  msg.msg_control = control.data();
  msg.msg_controllen = control.size();
  ssize_t n;
  do {
    n = ::recvmsg(socket, &msg, MSG_CMSG_CLOEXEC);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return m;
  // Take ownership of every descriptor that came, whatever else is wrong with the message.
  for (cmsghdr* h = CMSG_FIRSTHDR(&msg); h; h = CMSG_NXTHDR(&msg, h)) {
    if (h->cmsg_level != SOL_SOCKET || h->cmsg_type != SCM_RIGHTS) continue;
    const std::size_t count = (h->cmsg_len - CMSG_LEN(0)) / sizeof(int);
    for (std::size_t i = 0; i < count; ++i) {
      int fd = -1;
      std::memcpy(&fd, CMSG_DATA(h) + i * sizeof(int), sizeof fd);
      m.fds.emplace_back(fd);
    }
  }
  if ((msg.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) != 0) return m;
  if (n == 0 && m.fds.empty()) {
    m.status = AccessMessage::Status::Ended;
    return m;
  }
  m.status = AccessMessage::Status::Received;
  m.text.assign(buffer.data(), static_cast<std::size_t>(n));
  return m;
}

}  // namespace rz::platform
