// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the signature scanner and the reading of version information from a backup: any file
// is read within bounds and every text stays within its field.
#include "bios/BiosIdentity.h"
#include "bios/ByteScanner.h"
#include "bios/ImageVersion.h"
#include "FuzzBios.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rz;
  auto bytes = std::make_shared<platform::ByteVector>(data, data + size);
  platform::MemoryFile file(bytes);
  bios::ModelText scanned;
  const bool block = bios::ScanForSignatures(file, scanned);
  if (block) {
    const auto at = file.Tell();
    fuzz::Require(at >= 3 && static_cast<std::size_t>(at) <= size && data[at - 1] == 'Z' &&
                  data[at - 2] == 'R' && data[at - 3] == '$');
  }
  if (scanned.found) fuzz::Require(scanned.Text().rfind("RZ-", 0) == 0);

  auto fs = fuzz::FileOf(data, size);
  bios::ModelText model;
  bios::CardBiosIdentity id;
  const bool found = bios::ReadImageVersion(fs, "f.rom", model, id);
  fuzz::Require(found == (block || scanned.found));
  fuzz::Require(id.CardModelName.size() <= bios::kCardModelNameMax);
  fuzz::Require(id.BiosInfoText.size() <= bios::kBiosInfoTextMax);
  fuzz::Require(id.Version.DigitCount <= 2 && fuzz::FieldsAreCharacters(id.Version));
  fuzz::Sink(id.BiosInfoText);
  fuzz::Sink(id.BackupFileName);
  std::string sizeText;
  fuzz::Require(bios::GetImageSizeText(fs, "f.rom", sizeText) == static_cast<std::int64_t>(size));
  return 0;
}
