// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/driver/DriverServer.h"

#include <cstring>

#include "base/LittleEndian.h"

namespace rz::platform {
namespace {

// A request decoded once: its fault, and its fields when it has none.
struct DecodedRequest {
  RequestFault fault = RequestFault::None;
  PortAccessRequest port;
  PhysMapRequest map;
};

DecodedRequest Decode(std::uint32_t code, const std::uint8_t* in, std::uint32_t inSize,
                      const std::uint8_t* out, std::uint32_t outSize) {
  DecodedRequest r;
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
      r.fault = RequestFault::UnknownCode;
      return r;
  }
  if (!in || !out || inSize != wantIn || outSize != wantOut) {
    r.fault = RequestFault::BufferSizes;
  } else if (code == kIoctlAccessPortData) {
    r.port = DecodePortAccess(in);
    if (r.port.width != 1 && r.port.width != 2 && r.port.width != 4)
      r.fault = RequestFault::PortWidth;
    else if (std::uint32_t{r.port.port} + r.port.width > 0x10000)
      r.fault = RequestFault::PortRange;
  } else if (code == kIoctlMapPhysToLinear) {
    r.map = DecodePhysMap(in);
    if (r.map.length == 0)
      r.fault = RequestFault::EmptyMap;
    else if (std::uint64_t{r.map.physicalAddress} + r.map.length > 0x100000000ull)
      r.fault = RequestFault::MapWraps;
  }
  return r;
}

}  // namespace

RequestFault CheckDriverRequest(std::uint32_t code, const std::uint8_t* in, std::uint32_t inSize,
                                const std::uint8_t* out, std::uint32_t outSize) {
  return Decode(code, in, inSize, out, outSize).fault;
}

bool ServeDriverRequest(DriverRequestTarget& target, std::uint32_t code, const std::uint8_t* in,
                        std::uint32_t inSize, std::uint8_t* out, std::uint32_t outSize,
                        RequestFault* fault) {
  DecodedRequest r = Decode(code, in, inSize, out, outSize);
  if (fault) *fault = r.fault;
  if (r.fault != RequestFault::None) return false;
  switch (code) {
    case kIoctlAccessPortData: {
      if (!target.Port(r.port)) return false;
      const auto encoded = EncodePortAccess(r.port);
      std::memcpy(out, encoded.data(), encoded.size());
      return true;
    }
    case kIoctlMapPhysToLinear: {
      std::uint32_t linear = 0;
      if (!target.Map(r.map.physicalAddress, r.map.length, linear)) return false;
      le::Put32(out, linear);
      return true;
    }
    default:
      return target.Unmap(le::Get32(in));
  }
}

}  // namespace rz::platform
