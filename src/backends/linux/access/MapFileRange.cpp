// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/access/MapFileRange.h"

#include <sys/mman.h>
#include <unistd.h>

#include <bit>
#include <cstddef>

namespace rz::platform {
namespace {

// Registers are little-endian; a 32-bit access through the mapping reads them as they are only on
// a little-endian host.
static_assert(std::endian::native == std::endian::little);

// One mmap'd range; `start` is the requested offset inside it.
class MmapMemory final : public MappedMemory {
 public:
  MmapMemory(void* base, std::size_t mappedBytes, std::size_t lead, std::uint32_t length)
      : base_(base),
        mappedBytes_(mappedBytes),
        start_(static_cast<volatile std::uint8_t*>(base) + lead),
        length_(length) {}
  ~MmapMemory() override { ::munmap(base_, mappedBytes_); }
  MmapMemory(const MmapMemory&) = delete;
  MmapMemory& operator=(const MmapMemory&) = delete;

  std::uint32_t Length() const override { return length_; }
  std::uint8_t Read8(std::uint32_t offset) override { return start_[offset]; }
  void Write8(std::uint32_t offset, std::uint8_t value) override { start_[offset] = value; }
  std::uint32_t Read32(std::uint32_t offset) override {
    return *reinterpret_cast<volatile std::uint32_t*>(start_ + offset);
  }
  void Write32(std::uint32_t offset, std::uint32_t value) override {
    *reinterpret_cast<volatile std::uint32_t*>(start_ + offset) = value;
  }

 private:
  void* base_;
  std::size_t mappedBytes_;
  volatile std::uint8_t* start_;
  std::uint32_t length_;
};

}  // namespace

std::unique_ptr<MappedMemory> MapFileRange(int fd, std::uint64_t offset, std::uint32_t length) {
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  const std::uint64_t page = pageSize > 0 ? static_cast<std::uint64_t>(pageSize) : 4096;
  const std::uint64_t aligned = offset & ~(page - 1);
  const std::size_t lead = static_cast<std::size_t>(offset - aligned);
  const std::size_t bytes = static_cast<std::size_t>((lead + length + page - 1) & ~(page - 1));
  void* base = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd,
                      static_cast<off_t>(aligned));
  if (base == MAP_FAILED) return nullptr;
  return std::make_unique<MmapMemory>(base, bytes, lead, length);
}

}  // namespace rz::platform
