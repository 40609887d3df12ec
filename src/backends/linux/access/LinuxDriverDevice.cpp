// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/access/LinuxDriverDevice.h"

#include <unistd.h>

#include <cstring>


namespace rz::platform {
namespace {

std::size_t PageSize() {
  const long page = sysconf(_SC_PAGESIZE);
  return page > 0 ? static_cast<std::size_t>(page) : 4096;
}

}  // namespace

LinuxDriverDevice::LinuxDriverDevice(LinuxDriverPaths paths)
    : LinuxDriverDevice(AccessSources{nullptr, std::move(paths)}, {RawAccessRecord()}) {}

LinuxDriverDevice::LinuxDriverDevice(AccessSources sources, std::vector<AccessMethodRecord> methods)
    : sources_(std::move(sources)), methods_(std::move(methods)) {}

LinuxDriverDevice::~LinuxDriverDevice() { CloseMethod(); }

void LinuxDriverDevice::CloseMethod() {
  mappings_.Clear();
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
  if (handle == kInvalidDeviceHandle || handle != handle_) return false;
  return ServeDriverRequest(*this, code, in, inSize, out, outSize);
}

bool LinuxDriverDevice::Port(PortAccessRequest& r) {
  if (r.direction == kPortDirectionWrite) return method_->PortWrite(r.port, r.width, r.data);
  std::uint32_t value = 0;
  if (!method_->PortRead(r.port, r.width, value)) return false;
  r.data = value;
  return true;
}

bool LinuxDriverDevice::Map(std::uint32_t physical, std::uint32_t length, std::uint32_t& token) {
  // Each mapping gets its own token range with a free page after it, so a token never points
  // into two mappings.
  const std::size_t page = PageSize();
  const std::uint64_t span = (std::uint64_t{length} + page - 1) / page * page + page;
  const std::uint32_t at = mappings_.FreeRange(span);
  if (at == 0) return false;
  std::string why;
  auto memory = method_->Map(physical, length, why);
  if (!memory) {
    mapProblem_ = why;
    return false;
  }
  if (!mappings_.Add(at, span, physical, std::move(memory))) return false;
  token = at;
  return true;
}

bool LinuxDriverDevice::Unmap(std::uint32_t token) { return mappings_.Remove(token); }

}  // namespace rz::platform
