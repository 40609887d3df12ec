#include "platform/linux/LinuxDriverDevice.h"

#include <unistd.h>

#include <cstring>

#include "base/LittleEndian.h"
#include "hw/DriverProtocol.h"

namespace rz::platform {
namespace {

// Tokens start well above 0 (0 is the failed map) and each mapping gets its own range with a
// free page after it, so a token never points into two mappings. Tokens are not handed out again
// until the 32-bit space is used up; then the ranges of unmapped mappings come back, never one of
// a live mapping.
constexpr std::uint64_t kFirstToken = 0x10000000;
constexpr std::uint64_t kTokenLimit = 0x100000000;

std::size_t PageSize() {
  const long page = sysconf(_SC_PAGESIZE);
  return page > 0 ? static_cast<std::size_t>(page) : 4096;
}

}  // namespace

LinuxDriverDevice::LinuxDriverDevice(LinuxDriverPaths paths)
    : LinuxDriverDevice(AccessSources{nullptr, std::move(paths)}, {RawAccessRecord()}) {}

LinuxDriverDevice::LinuxDriverDevice(AccessSources sources, std::vector<AccessMethodRecord> methods)
    : sources_(std::move(sources)), methods_(std::move(methods)), nextToken_(kFirstToken) {}

LinuxDriverDevice::~LinuxDriverDevice() { CloseMethod(); }

void LinuxDriverDevice::DropMappings() { mappings_.clear(); }

void LinuxDriverDevice::CloseMethod() {
  DropMappings();
  method_.reset();
  methodName_.clear();
  handle_ = kInvalidDeviceHandle;
}

DeviceHandle LinuxDriverDevice::Open(const std::string&) {
  CloseMethod();
  attempts_.clear();
  mapProblem_.clear();
  for (const AccessMethodRecord& record : methods_) {
    std::string why;
    if (auto method = record.detect(sources_, why)) {
      method_ = std::move(method);
      methodName_ = record.name;
      handle_ = nextHandle_++;
      return handle_;
    }
    attempts_.push_back(AccessAttempt{record.name, why});
  }
  return kInvalidDeviceHandle;
}

void LinuxDriverDevice::Close(DeviceHandle handle) {
  if (handle != kInvalidDeviceHandle && handle == handle_) CloseMethod();
}

bool LinuxDriverDevice::Control(DeviceHandle handle, std::uint32_t code, const std::uint8_t* in,
                                std::uint32_t inSize, std::uint8_t* out, std::uint32_t outSize) {
  if (handle == kInvalidDeviceHandle || handle != handle_ || !in || !out) return false;
  switch (code) {
    case hw::kIoctlAccessPortData:
      if (inSize != hw::kPortAccessRequestSize || outSize != hw::kPortAccessRequestSize) return false;
      return PortRequest(in, out);
    case hw::kIoctlMapPhysToLinear: {
      if (inSize != hw::kPhysMapRequestSize || outSize != 4) return false;
      const hw::PhysMapRequest r = hw::DecodePhysMap(in);
      std::uint32_t token = 0;
      if (!Map(r.physicalAddress, r.length, token)) return false;
      le::Put32(out, token);
      return true;
    }
    case hw::kIoctlUnmapPhysToLinear:
      if (inSize != 4) return false;
      return Unmap(le::Get32(in));
    default:
      return false;
  }
}

bool LinuxDriverDevice::PortRequest(const std::uint8_t* in, std::uint8_t* out) {
  hw::PortAccessRequest r = hw::DecodePortAccess(in);
  if (r.width != 1 && r.width != 2 && r.width != 4) return false;
  if (std::uint32_t{r.port} + r.width > 0x10000) return false;
  bool ok;
  if (r.direction == hw::kPortDirectionWrite) {
    ok = method_->PortWrite(r.port, r.width, r.data);
  } else {
    std::uint32_t value = 0;
    ok = method_->PortRead(r.port, r.width, value);
    r.data = value;
  }
  if (!ok) return false;
  const auto encoded = hw::EncodePortAccess(r);
  std::memcpy(out, encoded.data(), encoded.size());
  return true;
}

std::uint32_t LinuxDriverDevice::AllocateToken(std::uint64_t span) {
  for (int pass = 0; pass < 2; ++pass) {
    std::uint64_t at = nextToken_;
    while (at + span <= kTokenLimit) {
      std::uint64_t clashEnd = 0;
      for (const auto& [token, m] : mappings_) {
        if (token < at + span && at < token + m.span) {
          clashEnd = token + m.span;
          break;
        }
      }
      if (clashEnd == 0) {
        nextToken_ = at + span;
        return static_cast<std::uint32_t>(at);
      }
      at = clashEnd;
    }
    nextToken_ = kFirstToken;  // used up: start again around the live mappings
  }
  return 0;
}

bool LinuxDriverDevice::Map(std::uint32_t physical, std::uint32_t length, std::uint32_t& token) {
  if (length == 0 || !method_) return false;
  const std::size_t page = PageSize();
  const std::uint64_t span = (std::uint64_t{length} + page - 1) / page * page + page;
  const std::uint32_t at = AllocateToken(span);
  if (at == 0) return false;
  std::string why;
  auto memory = method_->Map(physical, length, why);
  if (!memory) {
    mapProblem_ = why;
    return false;
  }
  token = at;
  const std::uint32_t mapped = memory->Length();
  mappings_[token] = Mapping{std::move(memory), physical, mapped, span};
  return true;
}

bool LinuxDriverDevice::Unmap(std::uint32_t token) { return mappings_.erase(token) == 1; }

MappedMemory* LinuxDriverDevice::Resolve(std::uint32_t linear, std::uint32_t size,
                                         std::uint32_t& offset) {
  auto it = mappings_.upper_bound(linear);
  if (it != mappings_.begin()) {
    --it;
    const Mapping& m = it->second;
    offset = linear - it->first;
    // Device registers need one 32-bit access, which an address that is not 4-byte aligned
    // cannot be.
    const bool aligned = size != 4 || (m.physical + offset) % 4 == 0;
    if (std::uint64_t{offset} + size <= m.length && aligned) return m.memory.get();
  }
  ++invalidAccesses_;
  return nullptr;
}

std::uint8_t LinuxDriverDevice::ReadMapped8(std::uint32_t linear) {
  std::uint32_t offset = 0;
  MappedMemory* m = Resolve(linear, 1, offset);
  return m ? m->Read8(offset) : 0xFF;
}

void LinuxDriverDevice::WriteMapped8(std::uint32_t linear, std::uint8_t value) {
  std::uint32_t offset = 0;
  if (MappedMemory* m = Resolve(linear, 1, offset)) m->Write8(offset, value);
}

std::uint32_t LinuxDriverDevice::ReadMapped32(std::uint32_t linear) {
  std::uint32_t offset = 0;
  MappedMemory* m = Resolve(linear, 4, offset);
  return m ? m->Read32(offset) : 0xFFFFFFFFu;
}

void LinuxDriverDevice::WriteMapped32(std::uint32_t linear, std::uint32_t value) {
  std::uint32_t offset = 0;
  if (MappedMemory* m = Resolve(linear, 4, offset)) m->Write32(offset, value);
}

}  // namespace rz::platform
