// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the BIOS id check: any file is read within bounds; a match implies a "PCIR" in the
// first 1,024 bytes followed by the card's ids, and a subsystem the card accepts.
#include "base/BuildConfig.h"
#include "bios/BiosFileChecks.h"
#include "bios/ImageLayout.h"
#include "FuzzBios.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rz;
  auto fs = fuzz::FileOf(data, size);
  const bios::Bytes file(data, size);
  // Card ids: those after the file's first "PCIR" when it has one, so matches are reachable.
  std::uint32_t cardIds = 0x019110DE;
  const auto pcir = bios::FindSignature(file, 0, 1021, bios::kPciDataSignature);
  if (pcir) {
    if (const auto ids = bios::ReadPciDataIds(file, *pcir)) cardIds = *ids;
  }
  const std::uint32_t subsystems[] = {0x34C8u << 16 | kMakerSubsystemVendorId,
                                      0x34C7u << 16 | kMakerSubsystemVendorId,
                                      bios::ReadImageSubsystem(file).value_or(0)};
  for (std::uint32_t sub : subsystems) {
    const bool match = bios::CheckBiosId(fs, "f.rom", cardIds, sub);
    if (match) {
      fuzz::Require(pcir.has_value() && size >= 0x58);
      fuzz::Require(bios::ReadPciDataIds(file, *pcir) == cardIds);
      const auto fileSub = *bios::ReadImageSubsystem(file);
      fuzz::Require(fileSub == sub ||
                    (bios::IsInterchangeableBoard(fileSub) && bios::IsInterchangeableBoard(sub)));
    }
    fuzz::g_sink = fuzz::g_sink + match;
  }
  return 0;
}
