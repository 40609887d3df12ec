// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the ATI image check against each kind of card identity: any file is read within bounds,
// the result is one of the five codes and the check passes exactly at 0.
#include "base/BuildConfig.h"
#include "bios/AtiImageCheck.h"
#include "FuzzBios.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rz;
  auto fs = fuzz::FileOf(data, size);
  // Card ids as the seed images carry them, so that the version branches are reached.
  const std::uint32_t ids = 0x1002u | (0x9440u << 16);
  const std::uint32_t subsystem = kMakerSubsystemVendorId | (0x34C8u << 16);
  for (std::uint8_t selector = 0; selector < 4; ++selector) {
    const auto card = fuzz::CardFor(selector);
    bios::ModelText model;
    bios::VersionCheckResult result = -1;
    bios::AtiCheckContext ctx{fs, ids, subsystem, card, model, result};
    const bool pass = bios::CheckAtiImage(ctx, "f.rom");
    fuzz::Require(result >= 0 && result <= 4);
    fuzz::Require(pass == (result == bios::ati_check::kFits));
    fuzz::g_sink = fuzz::g_sink + static_cast<std::uint32_t>(result);
  }
  platform::MemoryFile file(std::make_shared<platform::ByteVector>(data, data + size));
  const auto found = bios::ReadAtiImageIds(file);
  fuzz::g_sink = fuzz::g_sink + found.ids.value_or(0) + found.subsystemIds.value_or(0);
  return 0;
}
