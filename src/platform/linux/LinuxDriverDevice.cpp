#include "platform/linux/LinuxDriverDevice.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define RZ_HAVE_PORT_INSTRUCTIONS 1
#else
#define RZ_HAVE_PORT_INSTRUCTIONS 0
#endif

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

int OpenRw(const std::string& path, int extra) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | extra);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

LinuxDriverDevice::LinuxDriverDevice(LinuxDriverPaths paths)
    : paths_(std::move(paths)), nextToken_(kFirstToken) {}

LinuxDriverDevice::~LinuxDriverDevice() {
  for (auto& [token, m] : mappings_) ::munmap(m.base, m.mappedBytes);
  mappings_.clear();
  CloseFiles();
}

void LinuxDriverDevice::CloseFiles() {
  if (portFd_ >= 0) ::close(portFd_);
  if (memFd_ >= 0) ::close(memFd_);
  portFd_ = memFd_ = -1;
  handle_ = kInvalidDeviceHandle;
}

DeviceHandle LinuxDriverDevice::Open(const std::string&) {
  CloseFiles();
  const int port = OpenRw(paths_.port, 0);
  const int mem = OpenRw(paths_.mem, O_SYNC);
  if (port < 0 || mem < 0) {
    if (port >= 0) ::close(port);
    if (mem >= 0) ::close(mem);
    return kInvalidDeviceHandle;
  }
  portFd_ = port;
  memFd_ = mem;
  handle_ = nextHandle_++;
  return handle_;
}

void LinuxDriverDevice::Close(DeviceHandle handle) {
  if (handle != kInvalidDeviceHandle && handle == handle_) CloseFiles();
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
    ok = PortWrite(r.port, r.width, r.data);
  } else {
    std::uint32_t value = 0;
    ok = PortRead(r.port, r.width, value);
    r.data = value;
  }
  if (!ok) return false;
  const auto encoded = hw::EncodePortAccess(r);
  std::memcpy(out, encoded.data(), encoded.size());
  return true;
}

bool LinuxDriverDevice::GrantPorts(std::uint16_t port, std::uint16_t width) {
#if RZ_HAVE_PORT_INSTRUCTIONS
  bool all = true;
  for (std::uint32_t p = port; p < std::uint32_t{port} + width; ++p) all = all && granted_[p];
  if (all) return true;
  if (::ioperm(port, width, 1) != 0) return false;
  for (std::uint32_t p = port; p < std::uint32_t{port} + width; ++p) granted_[p] = true;
  return true;
#else
  (void)port;
  (void)width;
  return false;
#endif
}

bool LinuxDriverDevice::PortRead(std::uint16_t port, std::uint16_t width, std::uint32_t& value) {
  if (width > 1 && paths_.wide == WidePortAccess::Native) {
#if RZ_HAVE_PORT_INSTRUCTIONS
    if (!GrantPorts(port, width)) return false;
    value = width == 2 ? ::inw(port) : ::inl(port);
    return true;
#else
    return false;
#endif
  }
  std::uint8_t bytes[4] = {};
  if (::pread(portFd_, bytes, width, port) != static_cast<ssize_t>(width)) return false;
  value = 0;
  for (int i = width - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  return true;
}

bool LinuxDriverDevice::PortWrite(std::uint16_t port, std::uint16_t width, std::uint32_t value) {
  if (width > 1 && paths_.wide == WidePortAccess::Native) {
#if RZ_HAVE_PORT_INSTRUCTIONS
    if (!GrantPorts(port, width)) return false;
    if (width == 2) ::outw(static_cast<std::uint16_t>(value), port);
    else ::outl(value, port);
    return true;
#else
    return false;
#endif
  }
  std::uint8_t bytes[4];
  le::Put32(bytes, value);
  return ::pwrite(portFd_, bytes, width, port) == static_cast<ssize_t>(width);
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
  if (length == 0 || memFd_ < 0) return false;
  const std::size_t page = PageSize();
  const std::uint64_t aligned = physical & ~static_cast<std::uint64_t>(page - 1);
  const std::size_t lead = static_cast<std::size_t>(physical - aligned);
  const std::size_t bytes = (lead + length + page - 1) & ~(page - 1);
  const std::uint64_t span = (std::uint64_t{length} + page - 1) / page * page + page;
  const std::uint32_t at = AllocateToken(span);
  if (at == 0) return false;
  void* base = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, memFd_,
                      static_cast<off_t>(aligned));
  if (base == MAP_FAILED) return false;
  token = at;
  mappings_[token] =
      Mapping{base, bytes, static_cast<volatile std::uint8_t*>(base) + lead, length, span};
  return true;
}

bool LinuxDriverDevice::Unmap(std::uint32_t token) {
  const auto it = mappings_.find(token);
  if (it == mappings_.end()) return false;
  const bool ok = ::munmap(it->second.base, it->second.mappedBytes) == 0;
  mappings_.erase(it);
  return ok;
}

volatile std::uint8_t* LinuxDriverDevice::Resolve(std::uint32_t linear, std::uint32_t size) {
  auto it = mappings_.upper_bound(linear);
  if (it != mappings_.begin()) {
    --it;
    const std::uint64_t offset = linear - it->first;
    if (offset + size <= it->second.length) return it->second.start + offset;
  }
  ++invalidAccesses_;
  return nullptr;
}

std::uint8_t LinuxDriverDevice::ReadMapped8(std::uint32_t linear) {
  volatile std::uint8_t* p = Resolve(linear, 1);
  return p ? *p : 0xFF;
}

void LinuxDriverDevice::WriteMapped8(std::uint32_t linear, std::uint8_t value) {
  if (volatile std::uint8_t* p = Resolve(linear, 1)) *p = value;
}

// Registers are little-endian; a 32-bit access through the mapping reads them as they are only on
// a little-endian host.
static_assert(std::endian::native == std::endian::little);

// Device registers need one 32-bit access; an address that is not 4-byte aligned in the host's
// view cannot be done as one, and is refused like an address outside the mapping.
std::uint32_t LinuxDriverDevice::ReadMapped32(std::uint32_t linear) {
  volatile std::uint8_t* p = Resolve(linear, 4);
  if (!p) return 0xFFFFFFFFu;
  if (reinterpret_cast<std::uintptr_t>(p) % 4 != 0) {
    ++invalidAccesses_;
    return 0xFFFFFFFFu;
  }
  return *reinterpret_cast<volatile std::uint32_t*>(p);
}

void LinuxDriverDevice::WriteMapped32(std::uint32_t linear, std::uint32_t value) {
  volatile std::uint8_t* p = Resolve(linear, 4);
  if (!p) return;
  if (reinterpret_cast<std::uintptr_t>(p) % 4 != 0) {
    ++invalidAccesses_;
    return;
  }
  *reinterpret_cast<volatile std::uint32_t*>(p) = value;
}

}  // namespace rz::platform
