// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the seed corpora of the BIOS fuzz targets: small synthetic images, packages and model
// texts. Usage: rz_make_seed_corpus <corpus folder>   (tests/fuzz/corpus)
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/Utf8Path.h"
#include "sim/images/TestImage.h"

namespace {

using rz::testimage::AtomRecipe;
using rz::testimage::BuildImage;
using rz::testimage::BuildPackage;
using rz::testimage::ImageRecipe;
using rz::testimage::RzBlockRecipe;
using Bytes = std::vector<std::uint8_t>;

// Small images: two 512-byte units.
ImageRecipe Small() {
  ImageRecipe s;
  s.lengthByte = 2;
  return s;
}
ImageRecipe WithText(const std::string& text) {
  ImageRecipe s = Small();
  s.modelText = text;
  return s;
}
ImageRecipe WithBlock(std::uint8_t revision, const std::string& model, std::uint8_t number,
                    std::uint8_t cardNumber = 0) {
  ImageRecipe s = Small();
  s.block = RzBlockRecipe{.revision = revision, .model = model, .letter = 'F', .number = number,
                        .cardNumber = cardNumber, .continuation = "T7H"};
  return s;
}
ImageRecipe Ati(const std::string& text, std::uint32_t pcirPosition = 8) {
  ImageRecipe s = WithText(text);
  s.vendorId = 0x1002;
  s.deviceId = 0x9440;
  s.atom = AtomRecipe{.offset = 0x40, .pcirPosition = pcirPosition};
  return s;
}
Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

bool Write(const std::filesystem::path& dir, const std::string& name, const Bytes& bytes) {
  std::filesystem::create_directories(dir);
  return rz::testimage::WriteFile(rz::Utf8FromPath(dir / name), bytes);
}

}  // namespace

// On Windows the folder's name comes in UTF-16 (wmain), whatever the system's code page.
#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  constexpr const char* kUsage = "usage: %ls <corpus folder>\n";
#else
int main(int argc, char** argv) {
  constexpr const char* kUsage = "usage: %s <corpus folder>\n";
#endif
  if (argc != 2) {
    std::fprintf(stderr, kUsage, argv[0]);
    return 2;
  }
  const std::filesystem::path root = argv[1];
  bool ok = true;
  auto put = [&](const std::string& target, const std::string& name, const Bytes& bytes) {
    ok = Write(root / target, name, bytes) && ok;
  };

  // The package target takes the low byte of the first slot offset (0x40) as the card number.
  const Bytes mine = BuildImage(WithBlock(0x11, "RZ-PX4R7", 4, 0x40));
  const Bytes other = BuildImage(WithBlock(0x12, "QB-PX57Q", 12, 0x41));
  put("fuzz_bios_package", "two-images.bin", BuildPackage({other, mine}));
  put("fuzz_bios_package", "gaps.bin", BuildPackage({mine, {}, {}, other}));
  put("fuzz_bios_package", "plain.bin", mine);

  put("fuzz_bios_id", "plain.bin", BuildImage(Small()));
  ImageRecipe pair = Small();
  pair.subsystemId = 0x34CB;
  put("fuzz_bios_id", "pair.bin", BuildImage(pair));
  ImageRecipe late = Small();
  late.pcirOffset = 1016;
  put("fuzz_bios_id", "late-pcir.bin", BuildImage(late));

  put("fuzz_bios_version", "slash.bin", BuildImage(WithText("RZ-PX4R7H/F4")));
  put("fuzz_bios_version", "f-form.bin", BuildImage(WithText("RZ-PX4R7H F12_B")));
  put("fuzz_bios_version", "malformed.bin", BuildImage(WithText("RZ-PX4R7H/F1x")));
  put("fuzz_bios_version", "block.bin", BuildImage(WithBlock(0x11, "RZ-PX4R7", 5)));

  ImageRecipe longer = Small();
  longer.fileLength = 1500;
  put("fuzz_bios_checksum", "image.bin", BuildImage(Small()));
  put("fuzz_bios_checksum", "longer-file.bin", BuildImage(longer));
  put("fuzz_bios_checksum", "header.bin", Bytes{0x55, 0xAA, 0x01});

  put("fuzz_bios_scanner", "text.bin", BuildImage(WithText("RZ-PX4R7H F12")));
  put("fuzz_bios_scanner", "block.bin", BuildImage(WithBlock(0x12, "QB-PX57Q", 12)));
  put("fuzz_bios_scanner", "traps.bin", Text("$$RZ RRZ- R$RZ RZ-A/F1_B"));

  put("fuzz_bios_ati", "fits.bin", BuildImage(Ati("RZ-PX4R7H/F12")));
  put("fuzz_bios_ati", "window-end.bin", BuildImage(Ati("RZ-PX4R7H/F5_C", 46)));
  put("fuzz_bios_ati", "no-slash.bin", BuildImage(Ati("RZ-PX4R7H F12")));
  ImageRecipe atiBlock = Ati("RZ-PX4R7H/F4");
  atiBlock.block = RzBlockRecipe{.letter = 'F', .number = 13};
  put("fuzz_bios_ati", "block.bin", BuildImage(atiBlock));

  ImageRecipe legacy = WithBlock(0x11, "RZ-PX4R7", 4, 1);
  legacy.lastImage = false;
  ImageRecipe uefi = Small();
  uefi.codeType = 3;
  Bytes chain = BuildImage(legacy);
  const Bytes second = BuildImage(uefi);
  chain.insert(chain.end(), second.begin(), second.end());
  put("fuzz_bios_inspect", "legacy-uefi.bin", chain);
  put("fuzz_bios_inspect", "cut-chain.bin", Bytes(chain.begin(), chain.end() - 700));
  put("fuzz_bios_inspect", "package.bin", BuildPackage({mine, {}, other}));
  put("fuzz_bios_inspect", "model-text.bin", BuildImage(WithText("RZ-PX4R7H/F12")));

  put("fuzz_bios_model_version", "suffix.txt", Text("RZ-PX4R7H/F2_B"));
  put("fuzz_bios_model_version", "f-form.txt", Text("RZ-PX4R7H F12"));
  put("fuzz_bios_model_version", "lower.txt", Text("RZ-PX4R7H/F1x"));
  put("fuzz_bios_model_version", "f-in-name.txt", Text("RZ-PF5 X12"));

  if (!ok) std::fprintf(stderr, "could not write every corpus file\n");
  return ok ? 0 : 1;
}
