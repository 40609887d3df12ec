// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the BIOS fuzz targets: the input as an in-memory file, card identities
// chosen by an input byte, and aborts on broken invariants.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "bios/BiosIdentity.h"
#include "platform/files/MemoryFile.h"

namespace rz::fuzz {

inline volatile std::uint32_t g_sink;

inline void Require(bool condition) {
  if (!condition) std::abort();
}

inline void Sink(const std::string& s) {
  for (char c : s) g_sink = g_sink + static_cast<unsigned char>(c);
}

// The input as file "f.rom".
inline platform::MemoryFileSystem FileOf(const std::uint8_t* data, std::size_t size) {
  platform::MemoryFileSystem fs;
  fs.Put("f.rom", platform::ByteVector(data, data + size));
  return fs;
}

// One of the card identities detection can leave: empty, from a model text, from a block.
inline bios::CardBiosIdentity CardFor(std::uint8_t selector) {
  bios::CardBiosIdentity card;
  switch (selector % 4) {
    case 1: bios::ParseModelVersion("RZ-PX4R7H/F5", card.CardModelName, card.Version); break;
    case 2: bios::ParseModelVersion("RZ-PX4R7H/F13_B", card.CardModelName, card.Version); break;
    case 3: card.VersionWord = 'F' | (12 << 8); break;
    default: break;
  }
  return card;
}

inline bool FieldsAreCharacters(const bios::BiosVersion& v) {
  return v.Letter.size() <= 1 && v.Digit1.size() <= 1 && v.Digit2.size() <= 1 &&
         v.Separator.size() <= 1 && v.Suffix.size() <= 1;
}

}  // namespace rz::fuzz
