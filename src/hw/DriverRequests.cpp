// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/DriverRequests.h"

#include "base/LittleEndian.h"
#include "platform/driver/DriverProtocol.h"

namespace rz::hw {

using namespace rz::platform;

void DriverRequests::ShowFailure(const char* caption, const char* text) {
  if (failures_.Note(caption, text)) ui_.MessageBox(caption, text, ui::Buttons::Ok, ui::Icon::None);
}

void DriverRequests::EndCommand() {
  for (const auto& r : failures_.EndCommand()) ui_.MessageRepeated(r.text, r.times);
}

bool DriverRequests::SendPortRequest(std::uint16_t port, std::uint32_t data,
                                     std::uint16_t direction, std::uint16_t width,
                                     std::uint32_t& result) {
  PortAccessRequest request;
  request.port = port;
  request.data = data;
  request.direction = direction;
  request.width = width;
  auto buffer = EncodePortAccess(request);
  const bool ok = driver_.Device().Control(driver_.deviceHandle, kIoctlAccessPortData,
                                           buffer.data(), kPortAccessRequestSize, buffer.data(),
                                           kPortAccessRequestSize);
  result = DecodePortAccess(buffer.data()).data;
  if (!ok) ShowFailure("", kPortRequestFailed);
  return ok;
}

void DriverRequests::WritePortDword(std::uint16_t port, std::uint32_t value) {
  std::uint32_t unused = 0;
  SendPortRequest(port, value, kPortDirectionWrite, 4, unused);
}

std::uint32_t DriverRequests::ReadPortDword(std::uint16_t port) {
  std::uint32_t value = 0;
  if (!SendPortRequest(port, 0, kPortDirectionRead, 4, value)) return 0;
  return value;
}

bool DriverRequests::WritePortByte(std::uint16_t port, std::uint8_t value) {
  if (!driver_.IsOpen()) {
    ShowFailure(kNoDriverCaption, kNoDriverText);
    return false;
  }
  std::uint32_t unused = 0;
  return SendPortRequest(port, value, kPortDirectionWrite, 1, unused);
}

void DriverRequests::MapPhysicalMemory(std::uint32_t physicalAddress, std::uint32_t length,
                                       std::uint32_t& linearAddress) {
  const auto in = EncodePhysMap(PhysMapRequest{physicalAddress, length});
  std::uint8_t out[4] = {};
  const bool ok = driver_.Device().Control(driver_.deviceHandle, kIoctlMapPhysToLinear, in.data(),
                                           kPhysMapRequestSize, out, 4);
  linearAddress = ok ? le::Get32(out) : 0;
  if (!ok) ShowFailure("", kMapRequestFailed);
}

void DriverRequests::UnmapPhysicalMemory(std::uint32_t linearAddress) {
  std::uint8_t buffer[4];
  le::Put32(buffer, linearAddress);
  if (!driver_.Device().Control(driver_.deviceHandle, kIoctlUnmapPhysToLinear, buffer, 4, buffer, 4))
    ShowFailure("", kUnmapRequestFailed);
}

}  // namespace rz::hw
