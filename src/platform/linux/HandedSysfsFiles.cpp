#include "platform/linux/HandedSysfsFiles.h"

#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/linux/AccessBroker.h"
#include "platform/linux/AccessProtocol.h"

namespace rz::platform {

HandedSysfsFiles::HandedSysfsFiles(std::vector<HandedFile> files, std::string sysfsRoot)
    : root_(std::move(sysfsRoot)) {
  for (auto& f : files) files_[Key{f.device, f.file, f.writable}] = std::move(f.fd);
}

std::vector<std::string> HandedSysfsFiles::Devices() const {
  std::set<std::string> names;
  for (const auto& [key, fd] : files_) names.insert(std::get<0>(key));
  return {names.begin(), names.end()};
}

int HandedSysfsFiles::Descriptor(const std::string& device, const std::string& file, bool writable) {
  for (const bool w : {true, false}) {
    if (!w && writable) break;
    const auto it = files_.find(Key{device, file, w});
    if (it != files_.end()) return it->second.Get();
  }
  return -1;
}

std::optional<std::string> HandedSysfsFiles::Attribute(const std::string& device,
                                                       const std::string& file) const {
  if (!IsPciDeviceName(device) || file.find('/') != std::string::npos) return std::nullopt;
  std::ifstream in(root_ + "/bus/pci/devices/" + device + "/" + file);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

namespace {

struct Message {
  bool ok = false;      // a whole message (or the end of the stream: ok with empty text)
  std::string text;
  std::vector<UniqueFd> fds;
};

Message ReceiveMessage(int socket) {
  Message m;
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
  m.ok = true;
  m.text.assign(buffer.data(), static_cast<std::size_t>(n));
  return m;
}

// Parses "<device> <file> <r|w>" lines, one per descriptor, into `into`.
bool TakeBatch(Message& m, std::vector<HandedFile>& into) {
  std::istringstream lines(m.text);
  std::size_t i = 0;
  for (std::string line; std::getline(lines, line); ++i) {
    std::istringstream words(line);
    HandedFile f;
    std::string mode, extra;
    if (!(words >> f.device >> f.file >> mode) || (words >> extra) || i >= m.fds.size())
      return false;
    if (!IsPciDeviceName(f.device) || (mode != "r" && mode != "w")) return false;
    f.writable = mode == "w";
    f.fd = std::move(m.fds[i]);
    into.push_back(std::move(f));
  }
  return i == m.fds.size() && i > 0;
}

}  // namespace

ReceivedSysfsFiles ReceiveSysfsFiles(int socket) {
  using Outcome = ReceivedSysfsFiles::Outcome;
  ReceivedSysfsFiles r;
  Message greeting = ReceiveMessage(socket);
  if (!greeting.ok || greeting.text.empty()) return r;  // NothingSent
  r.outcome = Outcome::Malformed;
  std::istringstream words(greeting.text);
  std::string word, tail;
  if (!(words >> word >> r.brokerVersion >> tail) || word != kAccessGreeting || !greeting.fds.empty())
    return r;
  if (tail == kAccessMismatch || r.brokerVersion != std::to_string(kAccessProtocolVersion)) {
    r.outcome = Outcome::Mismatch;
    return r;
  }
  char* end = nullptr;
  const unsigned long count = std::strtoul(tail.c_str(), &end, 10);
  if (tail.empty() || *end != '\0') return r;
  while (r.files.size() < count) {
    Message batch = ReceiveMessage(socket);
    if (!batch.ok || !TakeBatch(batch, r.files) || r.files.size() > count) {
      r.files.clear();
      return r;
    }
  }
  r.outcome = Outcome::Received;
  return r;
}

}  // namespace rz::platform
