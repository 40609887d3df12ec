// SPDX-License-Identifier: GPL-3.0-or-later
// A driver device whose mappings live in a MappingTable: every access through a mapping goes to
// the table, which refuses (and counts) what no live mapping holds.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/DriverDevice.h"
#include "platform/driver/MappingTable.h"

namespace rz::platform {

class TableMappedDevice : public DriverDevice {
 public:
  std::uint8_t ReadMapped8(std::uint32_t linear) override { return mappings_.Read8(linear); }
  void WriteMapped8(std::uint32_t linear, std::uint8_t value) override {
    mappings_.Write8(linear, value);
  }
  std::uint32_t ReadMapped32(std::uint32_t linear) override { return mappings_.Read32(linear); }
  void WriteMapped32(std::uint32_t linear, std::uint32_t value) override {
    mappings_.Write32(linear, value);
  }

  std::size_t LiveMappings() const { return mappings_.Count(); }
  std::uint64_t InvalidAccesses() const { return mappings_.InvalidAccesses(); }

 protected:
  MappingTable mappings_;
};

}  // namespace rz::platform
