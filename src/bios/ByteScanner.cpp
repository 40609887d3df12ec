// SPDX-License-Identifier: GPL-3.0-or-later
#include "bios/ByteScanner.h"

namespace rz::bios {
namespace {

// Next byte of the file; false at the end.
bool Next(platform::File& file, std::uint8_t& byte) { return file.Read(&byte, 1) == 1; }

// With `first` already read and equal to sig[0], reads on while the bytes follow `sig`.
// Returns 1 when complete, 0 when a byte broke the match (consumed), -1 at the end of the file.
int MatchRest(platform::File& file, const std::uint8_t* sig, std::size_t length) {
  for (std::size_t i = 1; i < length; ++i) {
    std::uint8_t b = 0;
    if (!Next(file, b)) return -1;
    if (b != sig[i]) return 0;
  }
  return 1;
}

constexpr std::uint8_t kBlock[] = {'$', 'R', 'Z'};
constexpr std::uint8_t kModel[] = {'R', 'Z', '-'};

}  // namespace

bool ScanForSignatures(platform::File& file, ModelText& modelText) {
  std::uint8_t b = 0;
  while (Next(file, b)) {
    if (b == kBlock[0]) {
      const int m = MatchRest(file, kBlock, sizeof kBlock);
      if (m < 0) return false;
      if (m > 0) return true;
    } else if (b == kModel[0]) {
      const int m = MatchRest(file, kModel, sizeof kModel);
      if (m < 0) return false;
      if (m > 0) {
        if (!file.Seek(-static_cast<std::int64_t>(sizeof kModel), platform::SeekOrigin::Current))
          return false;
        modelText.found = true;
        modelText.bytes.fill(0);
        file.Read(modelText.bytes.data(), modelText.bytes.size());
      }
    }
  }
  return false;
}

bool ScanForBytes(platform::File& file, const std::uint8_t* signature, std::size_t length) {
  if (length == 0) return true;
  std::uint8_t b = 0;
  while (Next(file, b)) {
    if (b != signature[0]) continue;
    const int m = MatchRest(file, signature, length);
    if (m < 0) return false;
    if (m > 0) return true;
  }
  return false;
}

}  // namespace rz::bios
