// SPDX-License-Identifier: GPL-3.0-or-later
#include "vm/TestCardDevice.h"

#include <cstdio>
#include <cstring>
#include <fstream>

#include "platform/driver/DriverProtocol.h"

namespace rz::vmtest {
namespace {

constexpr std::uint16_t kAddressPort = 0xCF8;
constexpr std::uint16_t kDataPort = 0xCFC;
constexpr std::uint32_t kEnableBit = 0x80000000u;
constexpr unsigned kIdsOffset = 0x00;
constexpr unsigned kSubsystemOffset = 0x2C;
constexpr unsigned kCapPointerOffset = 0x34;
constexpr unsigned kShownCapOffset = 0xF8;
constexpr std::uint32_t kPciExpressCap = 0x10;  // id 0x10, next 0: the end of the list

PciSlot SlotOf(std::uint32_t address) {
  return {static_cast<std::uint8_t>(address >> 16), static_cast<std::uint8_t>((address >> 11) & 0x1F),
          static_cast<std::uint8_t>((address >> 8) & 0x7)};
}

std::uint8_t ByteOf(std::uint32_t dword, unsigned index) {
  return static_cast<std::uint8_t>(dword >> (8 * index));
}

// The process's memory regions, one /proc/self/maps line each.
std::set<std::string> Regions() {
  std::set<std::string> lines;
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) lines.insert(line);
  return lines;
}

// "vma 0x<bytes> <file> 0x<offset>" from a maps line "start-end perms offset dev inode file".
std::string DescribeRegion(const std::string& line) {
  unsigned long long start = 0, end = 0, offset = 0;
  char perms[8] = {}, dev[16] = {}, file[512] = {};
  unsigned long inode = 0;
  std::sscanf(line.c_str(), "%llx-%llx %7s %llx %15s %lu %511s", &start, &end, perms, &offset,
              dev, &inode, file);
  char text[640];
  std::snprintf(text, sizeof text, "vma 0x%llx %s 0x%llx", end - start, file, offset);
  return text;
}

}  // namespace

std::optional<PciSlot> ParseSlot(const std::string& text) {
  // A leading domain, which must be 0000, is dropped; the rest must be exactly BB:DD.F.
  std::string rest = text;
  if (rest.size() > 5 && rest[4] == ':' && rest.compare(0, 5, "0000:") == 0) rest = rest.substr(5);
  unsigned bus = 0, device = 0, function = 0;
  int used = 0;
  if (rest.size() != 7 ||
      std::sscanf(rest.c_str(), "%2x:%2x.%1x%n", &bus, &device, &function, &used) != 3 ||
      used != 7 || device > 0x1F || function > 7)
    return std::nullopt;
  return PciSlot{static_cast<std::uint8_t>(bus), static_cast<std::uint8_t>(device),
                 static_cast<std::uint8_t>(function)};
}

std::string SlotName(const PciSlot& slot) {
  char text[16];
  std::snprintf(text, sizeof text, "%02x:%02x.%x", slot.bus, slot.device, slot.function);
  return text;
}

TestCardDevice::TestCardDevice(platform::DriverDevice& real, std::optional<PciSlot> slot,
                               CardIds card)
    : real_(real), slot_(slot), card_(card) {}

platform::DeviceHandle TestCardDevice::Open(const std::string& devicePath) {
  return real_.Open(devicePath);
}

void TestCardDevice::Close(platform::DeviceHandle handle) { real_.Close(handle); }

bool TestCardDevice::Control(platform::DeviceHandle handle, std::uint32_t code,
                             const std::uint8_t* in, std::uint32_t inSize, std::uint8_t* out,
                             std::uint32_t outSize) {
  if (code == platform::kIoctlMapPhysToLinear && in && inSize == platform::kPhysMapRequestSize)
    return LoggedMap(handle, in, out, outSize);
  const bool port = code == platform::kIoctlAccessPortData && in &&
                    inSize == platform::kPortAccessRequestSize && outSize == platform::kPortAccessRequestSize;
  platform::PortAccessRequest request{};
  if (port) request = platform::DecodePortAccess(in);  // `in` may be `out`: read it first
  const bool ok = real_.Control(handle, code, in, inSize, out, outSize);
  if (!ok || !port) return ok;
  if (request.direction == platform::kPortDirectionWrite) {
    if (request.port == kAddressPort && request.width == 4) address_ = request.data;
    return true;
  }
  const bool data = request.port >= kDataPort && request.port + request.width <= kDataPort + 4;
  if (!data || (address_ & kEnableBit) == 0) return true;
  platform::PortAccessRequest answer = platform::DecodePortAccess(out);
  const unsigned lane = request.port - kDataPort;
  if ((address_ & 0xFC) == kIdsOffset && lane == 0 && request.width >= 2 &&
      (answer.data & 0xFFFF) != 0xFFFF)
    answering_.insert(SlotOf(address_));
  if (!slot_ || SlotOf(address_) != *slot_) return true;
  answer.data = Rewrite(lane, request.width, answer.data);
  const auto encoded = platform::EncodePortAccess(answer);
  std::memcpy(out, encoded.data(), encoded.size());
  return true;
}

bool TestCardDevice::LoggedMap(platform::DeviceHandle handle, const std::uint8_t* in,
                               std::uint8_t* out, std::uint32_t outSize) {
  const platform::PhysMapRequest request = platform::DecodePhysMap(in);  // `in` may be `out`
  const std::set<std::string> before = Regions();
  const bool ok = real_.Control(handle, platform::kIoctlMapPhysToLinear, in, platform::kPhysMapRequestSize,
                                out, outSize);
  char text[80];
  std::snprintf(text, sizeof text, "map 0x%x 0x%x %s", request.physicalAddress, request.length,
                ok ? "ok" : "refused");
  mapLog_.push_back(text);
  // Only the device's own files: the heap may grow by anonymous regions meanwhile.
  for (const std::string& line : Regions())
    if (!before.count(line) && (line.find("/dev/mem") != std::string::npos ||
                                line.find("/resource") != std::string::npos))
      mapLog_.push_back(DescribeRegion(line));
  return ok;
}

std::uint32_t TestCardDevice::Rewrite(unsigned lane, std::uint16_t width, std::uint32_t value) {
  for (unsigned i = 0; i < width; ++i) {
    const unsigned offset = (address_ & 0xFC) + lane + i;
    std::optional<std::uint8_t> replaced;
    if (offset >= kIdsOffset && offset < kIdsOffset + 4) replaced = ByteOf(card_.ids, offset - kIdsOffset);
    if (offset >= kSubsystemOffset && offset < kSubsystemOffset + 4)
      replaced = ByteOf(card_.subsystem, offset - kSubsystemOffset);
    if (offset == kCapPointerOffset) {
      listless_ = ByteOf(value, i) == 0;
      if (listless_) replaced = kShownCapOffset;
    }
    if (listless_ && offset >= kShownCapOffset && offset < kShownCapOffset + 4)
      replaced = ByteOf(kPciExpressCap, offset - kShownCapOffset);
    if (replaced) value = (value & ~(0xFFu << (8 * i))) | std::uint32_t{*replaced} << (8 * i);
  }
  return value;
}

std::uint8_t TestCardDevice::ReadMapped8(std::uint32_t linear) { return real_.ReadMapped8(linear); }
void TestCardDevice::WriteMapped8(std::uint32_t linear, std::uint8_t value) {
  real_.WriteMapped8(linear, value);
}
std::uint32_t TestCardDevice::ReadMapped32(std::uint32_t linear) {
  return real_.ReadMapped32(linear);
}
void TestCardDevice::WriteMapped32(std::uint32_t linear, std::uint32_t value) {
  real_.WriteMapped32(linear, value);
}

}  // namespace rz::vmtest
