// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/access/ProcPciDevices.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace rz::platform {
namespace {

constexpr std::uint64_t kIoResource = 0x100;
constexpr std::uint64_t kMemoryResource = 0x200;

// A field of hexadecimal digits without a prefix, as the kernel prints them.
std::optional<std::uint64_t> HexField(const std::string& word) {
  if (word.empty() || word.size() > 16) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : word) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return std::nullopt;
    value = value << 4 | static_cast<std::uint64_t>(digit);
  }
  return value;
}

}  // namespace

std::vector<PciBar> ParseProcPciDevices(const std::string& text) {
  // Fields: bus and devfn, vendor and device, irq, the bases of BARs 0-5 and the ROM, their sizes,
  // then the driver's name when one is bound.
  constexpr std::size_t kBases = 3, kSizes = 10, kFields = 17;
  std::vector<PciBar> bars;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::vector<std::optional<std::uint64_t>> fields;
    std::string word;
    while (fields.size() < kFields && words >> word) fields.push_back(HexField(word));
    if (fields.size() < kFields) continue;
    bool whole = true;
    for (const auto& f : fields) whole = whole && f.has_value();
    if (!whole) continue;
    for (int i = 0; i < 6; ++i) {
      const std::uint64_t base = *fields[kBases + i];
      const std::uint64_t size = *fields[kSizes + i];
      if (size == 0) continue;
      const bool io = (base & 1) != 0;
      const std::uint64_t start = base & (io ? ~std::uint64_t{3} : ~std::uint64_t{0xF});
      bars.push_back(PciBar{i, start, start + size - 1,
                            (io ? kIoResource : kMemoryResource) | (base & 0xF)});
    }
  }
  return bars;
}

std::optional<std::string> ReadProcFile(const std::string& path, std::string& why) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    why = path + " cannot be read: " + std::strerror(errno);
    return std::nullopt;
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) {
    why = path + " cannot be read";
    return std::nullopt;
  }
  return text.str();
}

}  // namespace rz::platform
