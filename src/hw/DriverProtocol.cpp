#include "hw/DriverProtocol.h"

#include "base/LittleEndian.h"

namespace rz::hw {

std::array<std::uint8_t, kPortAccessRequestSize> EncodePortAccess(const PortAccessRequest& r) {
  std::array<std::uint8_t, kPortAccessRequestSize> b{};
  le::Put16(&b[0], r.port);
  le::Put16(&b[2], r.reserved);
  le::Put32(&b[4], r.data);
  le::Put16(&b[8], r.direction);
  le::Put16(&b[10], r.width);
  return b;
}

PortAccessRequest DecodePortAccess(const std::uint8_t* b) {
  return PortAccessRequest{le::Get16(b), le::Get16(b + 2), le::Get32(b + 4), le::Get16(b + 8),
                           le::Get16(b + 10)};
}

std::array<std::uint8_t, kPhysMapRequestSize> EncodePhysMap(const PhysMapRequest& r) {
  std::array<std::uint8_t, kPhysMapRequestSize> b{};
  le::Put32(&b[0], r.physicalAddress);
  le::Put32(&b[4], r.length);
  return b;
}

PhysMapRequest DecodePhysMap(const std::uint8_t* b) {
  return PhysMapRequest{le::Get32(b), le::Get32(b + 4)};
}

}  // namespace rz::hw
