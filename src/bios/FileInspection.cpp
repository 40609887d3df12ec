// SPDX-License-Identifier: GPL-3.0-or-later
#include "bios/FileInspection.h"

#include <algorithm>
#include <array>
#include <memory>

#include "base/Sha256.h"
#include "bios/BiosIdentity.h"
#include "bios/ByteScanner.h"
#include "bios/ImageVersion.h"
#include "platform/files/MemoryFile.h"

namespace rz::bios {
namespace {

constexpr const char* kImageName = "image";

bool IsBlank(Bytes rest) {
  if (rest.empty()) return true;
  const std::uint8_t fill = rest[0];
  return (fill == 0xFF || fill == 0x00) &&
         std::all_of(rest.begin(), rest.end(), [fill](std::uint8_t b) { return b == fill; });
}

void InspectChain(Bytes data, FileInspection& f) {
  for (const RomImage& image : f.chain.images) {
    const std::size_t available = std::min<std::size_t>(image.length, data.size() - image.offset);
    f.marks.push_back(ReadImageMarks(data.subspan(image.offset, available)));
  }
  const std::size_t covered = f.chain.Covered();
  f.bytesAfterChain = data.size() - covered;
  f.blankAfterChain = IsBlank(data.subspan(covered));
}

// A slot as the program reads it: up to 64 KiB from its offset, the header's length of them.
PackageSlot InspectSlot(Bytes data, std::size_t number, std::uint32_t offset) {
  PackageSlot slot;
  slot.number = number;
  slot.offset = offset;
  if (offset >= data.size()) {
    slot.status = PackageSlot::Status::OutsideFile;
    return slot;
  }
  slot.image = DescribeImage(data, offset);
  const Bytes read = data.subspan(offset, std::min(data.size() - offset, kPackageImageBufferSize));
  const std::uint32_t length = ReadImageLength(read).value_or(0);
  if (!slot.image || length == 0)
    slot.status = PackageSlot::Status::NoImage;
  else if (length > kPackageImageBufferSize)
    slot.status = PackageSlot::Status::TooLong;
  else if (length > read.size())
    slot.status = PackageSlot::Status::Cut;
  else
    slot.status = PackageSlot::Status::Image;
  if (slot.image) slot.marks = ReadImageMarks(read.first(std::min<std::size_t>(length, read.size())));
  return slot;
}

}  // namespace

ImageMarks ReadImageMarks(Bytes image) {
  ImageMarks marks;
  // The image as a file of its own, read the way the version of a chosen file is read.
  auto bytes = std::make_shared<platform::ByteVector>(image.begin(), image.end());
  platform::MemoryFileSystem files;
  files.Put(kImageName, *bytes);
  ModelText text;
  CardBiosIdentity identity;
  if (!ReadImageVersion(files, kImageName, text, identity)) return marks;
  // The same scan tells which of the two the version came from.
  platform::MemoryFile scan(bytes);
  ModelText probe;
  marks.source = ScanForSignatures(scan, probe) ? ImageMarks::Source::Block
                                                : ImageMarks::Source::ModelText;
  marks.cardNumber = BlockCardNumber(image, BlockPick::First);
  marks.modelName = identity.CardModelName;
  marks.versionText = identity.BiosInfoText;
  return marks;
}

FileInspection InspectBytes(Bytes data, std::uint64_t fileSize, std::string sha256) {
  FileInspection f;
  f.fileSize = fileSize;
  f.bytesLooked = data.size();
  f.sha256 = std::move(sha256);
  if (IsPackage(data)) {
    f.kind = FileInspection::Kind::Package;
    const PackageSlots offsets = ReadPackageSlots(data);
    for (std::size_t i = 0; i < offsets.size(); ++i)
      if (offsets[i] != 0) f.slots.push_back(InspectSlot(data, i + 1, offsets[i]));
    return f;
  }
  f.chain = WalkRomChain(data);
  if (!f.chain.images.empty()) f.kind = FileInspection::Kind::Image;
  InspectChain(data, f);
  return f;
}

bool FileInspection::HoldsImage() const { return NoImageReason().empty(); }

std::string FileInspection::NoImageReason() const {
  switch (kind) {
    case Kind::NoBios:
      return fileSize == 0 ? "the file is empty"
                           : "the file is neither a BIOS image nor a \"$RZ0\" package: " +
                                 ChainEndText(chain);
    case Kind::Image:
      if (chain.images.front().whole && chain.images.front().length > 0) return {};
      return "its first image is not whole: " + ChainEndText(chain);
    case Kind::Package:
      for (const PackageSlot& slot : slots)
        if (slot.status == PackageSlot::Status::Image) return {};
      return slots.empty() ? "the package's eight slots are all empty"
                           : "no slot of the package holds an image the program can take";
  }
  return {};
}

std::optional<FileInspection> InspectFile(platform::FileSystem& files, const std::string& path,
                                          std::string& why) {
  if (path.empty()) {
    why = "no file name given";
    return std::nullopt;
  }
  const auto kind = files.Kind(path);
  if (kind == platform::PathKind::Missing) {
    why = "there is no file " + path;
    return std::nullopt;
  }
  if (kind == platform::PathKind::Folder) {
    why = path + " is a folder, not a file";
    return std::nullopt;
  }
  auto file = files.OpenRead(path);
  if (!file) {
    why = "cannot open " + path + " for reading";
    return std::nullopt;
  }
  Sha256 digest;
  std::vector<std::uint8_t> bytes;
  std::uint64_t size = 0;
  std::array<std::uint8_t, 65536> chunk{};
  for (std::size_t got; (got = file->Read(chunk.data(), chunk.size())) > 0;) {
    const Bytes piece(chunk.data(), got);
    digest.Add(piece);
    const std::uint64_t room = size < kInspectByteLimit ? kInspectByteLimit - size : 0;
    const auto keep = static_cast<std::size_t>(std::min<std::uint64_t>(room, got));
    bytes.insert(bytes.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(keep));
    size += got;
  }
  file->Close();
  return InspectBytes(bytes, size, Sha256::Hex(digest.Finish()));
}

const char* SlotStatusName(PackageSlot::Status status) {
  switch (status) {
    case PackageSlot::Status::Image: return "image";
    case PackageSlot::Status::OutsideFile: return "outside_file";
    case PackageSlot::Status::NoImage: return "no_image";
    case PackageSlot::Status::TooLong: return "too_long";
    case PackageSlot::Status::Cut: return "cut";
  }
  return "";
}

}  // namespace rz::bios
