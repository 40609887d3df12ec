// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/access/RawAccessProblem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace rz::platform {
namespace {

std::string ReadSmallFile(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  if (in) text << in.rdbuf();
  return text.str();
}

// The selected word of a sysfs choice list such as "none [integrity] confidentiality".
std::string SelectedChoice(const std::string& list) {
  const auto open = list.find('[');
  const auto close = list.find(']', open);
  if (open == std::string::npos || close == std::string::npos) return {};
  return list.substr(open + 1, close - open - 1);
}

// Empty when the device can be opened read-write; otherwise what stands in the way.
std::string DeviceProblem(const std::string& path) {
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return path + " does not exist (the kernel was built without it)";
    return path + ": " + std::strerror(errno);
  }
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd >= 0) {
    ::close(fd);
    return {};
  }
  return path + " cannot be opened for reading and writing: " + std::strerror(errno);
}

}  // namespace

RawAccessFacts CurrentRawAccessFacts() { return RawAccessFacts{::geteuid()}; }

namespace {

// The obstacles of the machine itself, not of one file; each line ends in a line feed.
std::string MachineObstacles(const RawAccessFacts& facts, bool withDevices) {
  std::string out;
  auto add = [&out](const std::string& line) { out += line + "\n"; };
  if (facts.effectiveUser != 0)
    add("not running as root: raw port and memory access needs root (run it with sudo)");
  if (withDevices) {
    for (const auto* path : {&facts.portPath, &facts.memPath}) {
      const std::string problem = DeviceProblem(*path);
      if (!problem.empty()) add(problem);
    }
  }
  const std::string lockdown = SelectedChoice(ReadSmallFile(facts.lockdownPath));
  if (!lockdown.empty() && lockdown != "none")
    add("kernel lockdown is active (" + lockdown +
        "): the kernel refuses raw port and memory access; it is usually switched on by Secure "
        "Boot, which has to be turned off for this tool");
  if (ReadSmallFile(facts.cmdlinePath).find("iomem=relaxed") == std::string::npos)
    add("if the card's display driver owns its memory and the kernel enforces strict /dev/mem, "
        "boot with iomem=relaxed or unbind the display driver from the card");
  return out;
}

}  // namespace

std::string DescribeRawAccessProblem(const RawAccessFacts& facts) {
  std::string out = MachineObstacles(facts, true);
  if (out.empty())
    return "no obstacle to raw access found; the port or memory request failed for another reason";
  out.pop_back();
  return out;
}

std::string DescribeAccessMethodProblems(const std::vector<AccessAttempt>& attempts,
                                         const RawAccessFacts& facts) {
  if (attempts.empty()) return DescribeRawAccessProblem(facts);
  std::string out;
  for (const auto& attempt : attempts)
    out += "access method " + attempt.method + " failed: " + attempt.why + "\n";
  out += MachineObstacles(facts, false);
  out.pop_back();
  return out;
}

std::string DescribeRawAccessProblem() { return DescribeRawAccessProblem(CurrentRawAccessFacts()); }

}  // namespace rz::platform
