// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the look inside a BIOS file: the chain walk moves forward only, stays inside the bytes
// and stops within its bound; every package slot said to hold an image holds a whole one the
// program can take; the note of a partial flash is there only when bytes stay behind.
#include "bios/FileInspection.h"
#include "bios/UnwrittenNote.h"
#include "FuzzBios.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rz;
  const bios::Bytes bytes(data, size);
  const auto f = bios::InspectBytes(bytes, size, "");
  const auto& images = f.chain.images;
  fuzz::Require(images.size() <= bios::kMaxChainImages);
  for (std::size_t i = 0; i < images.size(); ++i) {
    fuzz::Require(images[i].offset < size);
    if (i > 0) fuzz::Require(images[i].offset == images[i - 1].offset + images[i - 1].length);
    // Only the image the walk stopped at may be cut or empty.
    if (i + 1 < images.size()) fuzz::Require(images[i].whole && images[i].length > 0);
    if (images[i].whole) fuzz::Require(images[i].offset + images[i].length <= size);
  }
  fuzz::Require(f.chain.Covered() <= size);
  if (f.kind != bios::FileInspection::Kind::Package) {
    fuzz::Require(f.marks.size() == images.size());
    fuzz::Require(f.bytesAfterChain == size - f.chain.Covered());
  }
  fuzz::Require(f.slots.size() <= bios::kPackageSlotCount);
  for (const auto& slot : f.slots) {
    if (slot.status != bios::PackageSlot::Status::Image) continue;
    const auto length = bios::ReadImageLength(bytes.subspan(slot.offset));
    fuzz::Require(length && *length > 0 && *length <= bios::kPackageImageBufferSize &&
                  slot.offset + std::size_t{*length} <= size);
  }
  fuzz::Require(f.HoldsImage() == f.NoImageReason().empty());

  const std::uint64_t written = images.empty() ? size / 2 : images.front().length;
  const auto note = bios::UnwrittenPartNote(bytes, written);
  if (written >= size) fuzz::Require(!note);
  for (const auto& m : f.marks) fuzz::Sink(m.versionText);
  if (note) fuzz::Sink(*note);
  return 0;
}
