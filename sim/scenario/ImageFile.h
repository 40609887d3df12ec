// SPDX-License-Identifier: GPL-3.0-or-later
// The files that hold an emulated card's EEPROM contents between runs. Reading never blocks and is
// bounded (a scenario may name a FIFO, a device such as /dev/zero, or a folder); writing back
// replaces the file atomically, so a failed write never leaves a truncated image behind.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace rz::sim {

// The first `limit` bytes (the EEPROM's size) of the regular file `path`, all of it when shorter.
// A longer file loads its head, like a chip programmed from a larger dump, and is left as it is;
// but when the EEPROM is to be written back into it (`persist`) a longer file is refused, since
// writing the chip back would cut the rest off the file. Throws ScenarioError for that, and when
// the file cannot be opened or is not a regular file. `what` names the image in messages.
std::vector<std::uint8_t> ReadImageFile(const std::string& path, std::size_t limit, bool persist,
                                        const std::string& what);

// True when nothing at all is at `path` (a broken link is something).
bool ImageFileMissing(const std::string& path);

// Writes `bytes` into a temporary file beside `path` and renames it over `path`. Throws
// ScenarioError ("cannot write the EEPROM image back to PATH: reason") on failure; `path` is then
// unchanged and no temporary file is left.
void WriteImageFile(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace rz::sim
