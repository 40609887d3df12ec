// SPDX-License-Identifier: GPL-3.0-or-later
// Memory of a device file reached through mmap.
#pragma once
#include <cstdint>
#include <memory>

#include "platform/driver/MappedMemory.h"

namespace rz::platform {

// Maps `length` (> 0) bytes of `fd` from `offset` on, read-write and shared (the mmap widened to
// whole pages, unmapped when the object goes); null when mmap fails.
std::unique_ptr<MappedMemory> MapFileRange(int fd, std::uint64_t offset, std::uint32_t length);

}  // namespace rz::platform
