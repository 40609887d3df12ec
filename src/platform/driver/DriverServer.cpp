#include "platform/driver/DriverServer.h"

#include <cstring>

#include "base/LittleEndian.h"

namespace rz::platform {

RequestFault CheckDriverRequest(std::uint32_t code, const std::uint8_t* in, std::uint32_t inSize,
                                const std::uint8_t* out, std::uint32_t outSize) {
  std::uint32_t wantIn = 0;
  std::uint32_t wantOut = 0;
  switch (code) {
    case kIoctlAccessPortData:
      wantIn = wantOut = kPortAccessRequestSize;
      break;
    case kIoctlMapPhysToLinear:
      wantIn = kPhysMapRequestSize;
      wantOut = 4;
      break;
    case kIoctlUnmapPhysToLinear:
      wantIn = 4;
      wantOut = outSize;  // the answer is the status alone
      break;
    default:
      return RequestFault::UnknownCode;
  }
  if (!in || !out || inSize != wantIn || outSize != wantOut) return RequestFault::BufferSizes;
  if (code == kIoctlAccessPortData) {
    const PortAccessRequest r = DecodePortAccess(in);
    if (r.width != 1 && r.width != 2 && r.width != 4) return RequestFault::PortWidth;
    if (std::uint32_t{r.port} + r.width > 0x10000) return RequestFault::PortRange;
  } else if (code == kIoctlMapPhysToLinear) {
    const PhysMapRequest r = DecodePhysMap(in);
    if (r.length == 0) return RequestFault::EmptyMap;
    if (std::uint64_t{r.physicalAddress} + r.length > 0x100000000ull) return RequestFault::MapWraps;
  }
  return RequestFault::None;
}

bool ServeDriverRequest(DriverRequestTarget& target, std::uint32_t code, const std::uint8_t* in,
                        std::uint32_t inSize, std::uint8_t* out, std::uint32_t outSize) {
  if (CheckDriverRequest(code, in, inSize, out, outSize) != RequestFault::None) return false;
  switch (code) {
    case kIoctlAccessPortData: {
      PortAccessRequest r = DecodePortAccess(in);
      if (!target.Port(r)) return false;
      const auto encoded = EncodePortAccess(r);
      std::memcpy(out, encoded.data(), encoded.size());
      return true;
    }
    case kIoctlMapPhysToLinear: {
      const PhysMapRequest r = DecodePhysMap(in);
      std::uint32_t linear = 0;
      if (!target.Map(r.physicalAddress, r.length, linear)) return false;
      le::Put32(out, linear);
      return true;
    }
    default:
      return target.Unmap(le::Get32(in));
  }
}

}  // namespace rz::platform
