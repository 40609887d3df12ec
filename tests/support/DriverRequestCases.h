// SPDX-License-Identifier: GPL-3.0-or-later
// Requests that no driver device may carry out, and the mapping rules every device keeps: one
// table, run against each backend's device so that they all refuse the same requests.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/DriverDevice.h"
#include "platform/driver/DriverServer.h"

namespace rz::test {

struct DriverRequestCase {
  std::string name;
  std::uint32_t code;
  std::vector<std::uint8_t> in;  // the request buffer; inSize is its size unless nullIn
  std::uint32_t outSize;
  platform::RequestFault fault;
  bool nullIn = false;
};

std::vector<DriverRequestCase> MalformedDriverRequests();

// Sends every malformed request to `device` through `handle` and expects each to fail with its
// answer buffer untouched; `afterEach` may check more (a backend's error code).
void ExpectMalformedRequestsRefused(
    platform::DriverDevice& device, platform::DeviceHandle handle,
    const std::function<void(const DriverRequestCase&)>& afterEach = {});

// Maps two overlapping physical ranges from `physical` on and expects two live mappings at
// addresses whose ranges do not overlap; an unmap of an address no mapping starts at, or of one
// already unmapped, fails; each mapping is removed once.
void ExpectMappingRules(platform::DriverDevice& device, platform::DeviceHandle handle,
                        std::uint32_t physical);

}  // namespace rz::test
