// SPDX-License-Identifier: GPL-3.0-or-later
// The flash job's read-back: the whole chip against the image the file holds.
#include <algorithm>
#include <new>
#include <vector>

#include "eeprom/FlashJob.h"
#include "eeprom/Identify.h"
#include "eeprom/ReadBack.h"
#include "eeprom/RomAccess.h"

namespace rz::eeprom {

namespace {

constexpr std::uint32_t kProgressStep = 0x1000;

}  // namespace

bool VerifyWithFile(EepromContext& ctx, std::uint8_t chipCode, platform::File& file,
                    std::int64_t& firstDifference) {
  firstDifference = -1;
  PromAccessGuard access(ctx);
  std::uint32_t size = 0;
  if (!GetRomImageSize(ctx, size)) {
    ctx.ui.MessageBox("ERROR", kGettingRomSize, ui::Buttons::Ok, ui::Icon::Error);
    return false;
  }
  std::vector<std::uint8_t> chip;
  std::vector<std::uint8_t> image;
  try {
    chip.resize(size);
  } catch (const std::bad_alloc&) {
    ctx.ui.MessageBox("ERROR", kNoImageMemory, ui::Buttons::Ok, ui::Icon::Error);
    return false;
  }
  for (std::uint32_t i = 0; i < size; ++i) {
    (void)ReadProm(ctx, i);
    chip[i] = ReadProm(ctx, i);
    if ((i + 1) % kProgressStep == 0 || i + 1 == size)
      ctx.ui.ReportProgress(ui::Phase::Verifying, i + 1, size);
  }
  try {
    image.resize(kImageBufferSize);
  } catch (const std::bad_alloc&) {
    return false;
  }
  std::uint32_t length = 0;
  if (!ReadImageFile(ctx, chipCode, image, kImageBufferSize, file, length)) return false;
  // Exactly the file image's bytes are compared; a chip that reports another length fails.
  const std::uint32_t common = std::min(size, length);
  for (std::uint32_t i = 0; i < common; ++i) {
    if (chip[i] != image[i]) {
      firstDifference = i;
      return false;
    }
  }
  if (size != length) {
    firstDifference = common;
    return false;
  }
  return true;
}

}  // namespace rz::eeprom
