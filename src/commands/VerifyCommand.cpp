// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/VerifyCommand.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <memory>
#include <vector>

#include "bios/BiosFile.h"
#include "bios/FlashedImage.h"
#include "bios/ImageLayout.h"
#include "bios/PackageExtract.h"
#include "commands/VendorTool.h"
#include "eeprom/Identify.h"
#include "eeprom/ReadBack.h"
#include "eeprom/RomAccess.h"
#include "hw/PciConfig.h"
#include "platform/files/MemoryFile.h"

namespace rz::commands {

namespace {

using Bytes = std::vector<std::uint8_t>;
using Status = VerifyReport::Status;

VerifyReport Problem(Status status, std::string text) {
  VerifyReport r;
  r.status = status;
  r.problem = std::move(text);
  return r;
}

// A package reduced to the images built for this card number, as the flash command reduces it;
// false when the package holds none.
bool ReducePackage(Bytes& bytes, std::uint8_t cardNumber) {
  platform::MemoryFile source(std::make_shared<platform::ByteVector>(bytes));
  const auto reduced = std::make_shared<platform::ByteVector>();
  platform::MemoryFile out(reduced);
  Bytes buffer(bios::kPackageImageBufferSize);
  if (bios::ExtractMatchingImages(source, out, cardNumber, buffer) != bios::ExtractResult::Extracted ||
      reduced->empty())
    return false;
  bytes = *reduced;
  return true;
}

// The image a card of the programmed road is compared with: the file's plain image, or the image
// of a package built for this card, cut to the length its header gives.
std::optional<VerifyReport> ImageForNvidiaCard(Bytes& bytes, std::uint8_t cardNumber,
                                               bool& package) {
  package = bios::IsPackage(bios::Bytes(bytes.data(), bytes.size()));
  if (package && !ReducePackage(bytes, cardNumber)) {
    auto r = Problem(Status::FileProblem, "the package holds no image for this card (card number " +
                                              std::to_string(cardNumber) + ")");
    r.package = true;
    return r;
  }
  const bios::Bytes view(bytes.data(), bytes.size());
  const auto length = bios::ReadImageLength(view);
  if (!bios::IsPlainImage(view) || !length || *length == 0)
    return Problem(Status::FileProblem, "the file holds no BIOS image (no 0x55 0xAA header)");
  if (bytes.size() < *length)
    return Problem(Status::FileProblem, "the file ends before the image its header announces (" +
                                            std::to_string(bytes.size()) + " of " +
                                            std::to_string(*length) + " bytes)");
  bytes.resize(*length);
  return std::nullopt;
}

// The card's first `count` bytes through the ROM window (fewer when the chip is smaller).
std::optional<VerifyReport> ReadNvidiaCard(CommandContext& ctx, std::uint32_t count, Bytes& card) {
  auto& e = ctx.eeprom;
  const hw::FailureWatch watch(e.io);
  const hw::PciAdapter adapter = ctx.Adapter0();
  eeprom::RomWindowGuard window(e);
  std::uint16_t deviceId = 0;
  std::int16_t asicIndex = 0;
  if (!eeprom::OpenRomWindow(e, adapter.bus, adapter.device, deviceId, asicIndex))
    return Problem(Status::CardProblem, "the card's ROM window could not be opened");
  std::uint8_t chipCode = 0;
  std::uint16_t idWord = 0;
  std::uint32_t chipSize = 0;
  if (!eeprom::IdentifyEeprom(e, adapter.bus, adapter.device, chipCode, idWord, chipSize) ||
      watch.Failed())
    return Problem(Status::CardProblem, "the card's EEPROM could not be identified");
  if (chipCode == 0)
    return Problem(Status::CardProblem, "the card's EEPROM is not one this program knows");
  if (!eeprom::ReadWholeChip(e, chipCode, std::min(count, chipSize), card, ui::Phase::Verifying) ||
      watch.Failed())
    return Problem(Status::CardProblem, "the card's EEPROM could not be read");
  // The window is closed before the verdict: a failed unmap was shown as a failure, and the
  // command must not then say that all went well.
  window.Close();
  if (watch.Failed()) return Problem(Status::CardProblem, "the card's ROM window could not be closed");
  return std::nullopt;
}

void Compare(const Bytes& card, const Bytes& image, VerifyReport& r) {
  r.imageLength = static_cast<std::uint32_t>(image.size());
  const std::size_t common = std::min(card.size(), image.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (card[i] == image[i]) continue;
    if (r.firstDifference < 0) r.firstDifference = static_cast<std::int64_t>(i);
    ++r.differingBytes;
  }
  if (image.size() > common) {
    if (r.firstDifference < 0) r.firstDifference = static_cast<std::int64_t>(common);
    r.differingBytes += image.size() - common;
  }
  r.status = r.differingBytes == 0 ? Status::Match : Status::Differs;
}

}  // namespace

VerifyReport VerifyCard(CommandContext& ctx, const std::string& path) {
  hw::CommandReporting reporting(ctx.eeprom.io);  // each driver failure message shown once
  const auto vendor = ctx.state.cardVendor;
  if (vendor != hw::kVendorNvidia && vendor != hw::kVendorAti)
    return Problem(Status::NoCard, "there is no card of NVIDIA or ATI to compare with");
  Bytes image;
  if (!bios::ReadBiosFile(ctx.seams.files, path, image))
    return Problem(Status::FileProblem, "the file cannot be opened");
  if (image.empty()) return Problem(Status::FileProblem, "the file is empty");

  Bytes card;
  bool package = false;
  if (vendor == hw::kVendorAti) {
    // The tool programs the whole file, so the card is compared with what it would hold.
    const auto flashed = bios::FlashedImage(image);
    image.assign(flashed.begin(), flashed.end());
    auto tool = ctx.VendorTool();
    if (!ReadCardThroughTool(tool, kAtiSaveFile, kAtiSaveArgs, card, ui::Phase::Verifying))
      return Problem(Status::CardProblem, "the vendor flash tool did not save the card's BIOS");
  } else {
    if (auto problem = ImageForNvidiaCard(image, ctx.state.cardNumber, package)) return *problem;
    if (auto problem =
            ReadNvidiaCard(ctx, static_cast<std::uint32_t>(image.size()), card))
      return *problem;
  }
  VerifyReport r;
  r.package = package;
  Compare(card, image, r);
  return r;
}

std::string VerifyText(const VerifyReport& r) {
  switch (r.status) {
    case Status::Match: return kVerifyMatchText;
    case Status::Differs: {
      char text[160];
      std::snprintf(text, sizeof text,
                    "Verify: the card differs from this image from offset 0x%llX on; %llu of "
                    "%u bytes differ",
                    static_cast<unsigned long long>(r.firstDifference),
                    static_cast<unsigned long long>(r.differingBytes), r.imageLength);
      return text;
    }
    default: return "Verify: " + r.problem;
  }
}

}  // namespace rz::commands
