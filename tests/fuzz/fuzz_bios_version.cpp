// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the file validation's version check against each kind of card identity: any file is
// read within bounds, the result is one of the four codes, and the check passes exactly at 0.
#include "bios/BiosFileChecks.h"
#include "FuzzBios.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rz;
  auto fs = fuzz::FileOf(data, size);
  for (std::uint8_t selector = 0; selector < 4; ++selector) {
    const auto card = fuzz::CardFor(selector);
    bios::ModelText model;
    bios::VersionCheckResult result = -1;
    const bool pass = bios::CheckBiosVersion(fs, "f.rom", card, model, result);
    fuzz::Require(result >= 0 && result <= 3);
    fuzz::Require(pass == (result == bios::file_check::kCompatible));
    fuzz::Sink(model.Text());
    fuzz::g_sink = fuzz::g_sink + static_cast<std::uint32_t>(result);
  }
  return 0;
}
