// SPDX-License-Identifier: GPL-3.0-or-later
// The serving side of the driver protocol, one for every device that answers it: a request's
// code, buffer sizes and fields are checked here, and only a well-formed request reaches the
// backend that carries it out. Every backend thus refuses the same requests the same way.
#pragma once
#include <cstdint>

#include "platform/driver/DriverProtocol.h"

namespace rz::platform {

// Why a request is refused before any backend sees it.
enum class RequestFault : std::uint8_t {
  None,
  UnknownCode,   // not one of the three control codes
  BufferSizes,   // missing buffers, or sizes other than the protocol's
  PortWidth,     // a port access of other than 1, 2 or 4 bytes
  PortRange,     // a port access that runs past port 0xFFFF
  EmptyMap,      // a map of 0 bytes
  MapWraps,      // a map whose range runs past the 4-GiB physical space
};

RequestFault CheckDriverRequest(std::uint32_t code, const std::uint8_t* in, std::uint32_t inSize,
                                const std::uint8_t* out, std::uint32_t outSize);

// What a backend does with a well-formed request.
class DriverRequestTarget {
 public:
  virtual ~DriverRequestTarget() = default;
  // Carries out the port access; a read leaves the value in `request.data`.
  virtual bool Port(PortAccessRequest& request) = 0;
  virtual bool Map(std::uint32_t physical, std::uint32_t length, std::uint32_t& linear) = 0;
  // False for an address that no live mapping starts at.
  virtual bool Unmap(std::uint32_t linear) = 0;
};

// Checks the request and, when it is well formed, has `target` carry it out and writes the answer
// into `out` (which may be `in`). Returns whether the request succeeded; `out` is untouched when
// it did not. `fault`, when given, gets the check's verdict (None for a request that was carried
// out, whatever its outcome).
bool ServeDriverRequest(DriverRequestTarget& target, std::uint32_t code, const std::uint8_t* in,
                        std::uint32_t inSize, std::uint8_t* out, std::uint32_t outSize,
                        RequestFault* fault = nullptr);

}  // namespace rz::platform
