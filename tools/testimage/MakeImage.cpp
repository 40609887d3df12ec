// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash-image: writes a synthetic BIOS image (or a "$RZ0" package of several) for trying the
// program on an emulated card, e.g. a newer version of the emulated card's own BIOS.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "sim/images/TestImage.h"
#ifdef _WIN32
#include "host/windows/Utf8Entry.h"
#endif

namespace {

const char* const kUsage =
    "usage: rzflash-image [options] OUTPUT\n"
    "  --vendor ID --device ID        PCI ids (default 0x10DE 0x0191)\n"
    "  --subsystem ID                 subsystem id (default 0x34C7); vendor is the maker's\n"
    "  --subsystem-vendor ID          another subsystem vendor id\n"
    "  --length N                     length byte, image length N x 512 (default 0x80)\n"
    "  --block LETTERNUMBER           a $RZ block with this version, e.g. F5\n"
    "  --model NAME                   model field of the block (default RZ-PX4R7)\n"
    "  --card-number N                card number of the block (default 0)\n"
    "  --model-text TEXT              an RZ- model text, e.g. RZ-PX4R7H/F5\n"
    "  --atom                         add the chip maker's ATOM header (ATI images)\n"
    "  --seed N                       filler content\n"
    "  --package N                    a package of N images with card numbers 0..N-1\n";

bool Number(const char* text, unsigned long& out) {
  char* end = nullptr;
  out = std::strtoul(text, &end, 0);
  return end && *end == 0 && end != text;
}

// The tool on its command line in UTF-8; `argumentProblem` says why it could not be read as text.
int Run(int argc, char** argv, const std::string& argumentProblem) {
  if (!argumentProblem.empty()) {
    std::fprintf(stderr, "rzflash-image: %s\n", argumentProblem.c_str());
    return 2;
  }
  rz::testimage::ImageRecipe recipe;
  recipe.subsystemId = 0x34C7;
  rz::testimage::RzBlockRecipe block;
  bool withBlock = false;
  unsigned long package = 0;
  std::string output;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    unsigned long n = 0;
    auto number = [&](unsigned long max) {
      return hasValue && Number(argv[++i], n) && n <= max;
    };
    if (a == "--vendor" && number(0xFFFF)) recipe.vendorId = static_cast<std::uint16_t>(n);
    else if (a == "--device" && number(0xFFFF)) recipe.deviceId = static_cast<std::uint16_t>(n);
    else if (a == "--subsystem" && number(0xFFFF)) recipe.subsystemId = static_cast<std::uint16_t>(n);
    else if (a == "--subsystem-vendor" && number(0xFFFF)) recipe.subsystemVendorId = static_cast<std::uint16_t>(n);
    else if (a == "--length" && number(0xFF) && n > 0) recipe.lengthByte = static_cast<std::uint8_t>(n);
    else if (a == "--card-number" && number(0xFF)) block.cardNumber = static_cast<std::uint8_t>(n);
    else if (a == "--seed" && number(0xFFFFFFFF)) recipe.seed = static_cast<std::uint32_t>(n);
    else if (a == "--package" && number(8) && n > 0) package = n;
    else if (a == "--block" && hasValue) {
      const std::string v = argv[++i];
      if (v.size() < 2 || !Number(v.c_str() + 1, n) || n > 0xFF) break;
      block.letter = v[0];
      block.number = static_cast<std::uint8_t>(n);
      withBlock = true;
    } else if (a == "--model" && hasValue) block.model = argv[++i];
    else if (a == "--model-text" && hasValue) recipe.modelText = argv[++i];
    else if (a == "--atom") recipe.atom = rz::testimage::AtomRecipe{};
    else if (a.rfind("--", 0) != 0 && output.empty()) output = a;
    else {
      std::fprintf(stderr, "rzflash-image: bad argument %s\n%s", a.c_str(), kUsage);
      return 2;
    }
  }
  if (output.empty()) {
    std::fprintf(stderr, "%s", kUsage);
    return 2;
  }
  if (withBlock) recipe.block = block;
  std::vector<std::uint8_t> bytes;
  if (package == 0) {
    bytes = rz::testimage::BuildImage(recipe);
  } else {
    std::vector<std::vector<std::uint8_t>> images;
    for (unsigned long k = 0; k < package; ++k) {
      if (!recipe.block) recipe.block = block;
      recipe.block->cardNumber = static_cast<std::uint8_t>(k);
      recipe.seed += 1;
      images.push_back(rz::testimage::BuildImage(recipe));
    }
    bytes = rz::testimage::BuildPackage(images);
  }
  if (!rz::testimage::WriteFile(output, bytes)) {
    std::fprintf(stderr, "rzflash-image: cannot write %s\n", output.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

#ifdef _WIN32
// Windows gives the command line in UTF-16 (linked with -municode).
int wmain(int argc, wchar_t** argv) { return rz::platform::win::RunWithUtf8(argc, argv, Run); }
#else
int main(int argc, char** argv) { return Run(argc, argv, {}); }
#endif
