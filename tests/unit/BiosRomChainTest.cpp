// SPDX-License-Identifier: GPL-3.0-or-later
// The walk along a file's chain of option-ROM images: where each image lies, what its PCI data
// structure says, and why the walk stops, on whole, cut, looping-free and malformed chains.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <string>
#include <vector>

#include "RomChainImages.h"
#include "bios/RomChain.h"

namespace rz::test {
namespace {

using bios::ChainEnd;
using testimage::BuildImage;

constexpr std::size_t K = 1024;

struct ChainCase {
  const char* name;
  std::function<ByteList()> bytes;
  ChainEnd end;
  std::size_t endOffset;
  std::vector<std::size_t> offsets;   // of every image found
  std::vector<int> codeTypes;         // -1: no PCI data structure
  std::size_t covered;
};

ByteList ManyImages(std::size_t count) {
  ByteList out;
  for (std::size_t i = 0; i < count; ++i) out = Joined(out, Chain({Legacy(1, false)}));
  return out;
}

const ChainCase kChains[] = {
    {"one image flagged last", [] { return Chain({Legacy(0x80, true)}); }, ChainEnd::LastImage, 0,
     {0}, {0}, 64 * K},
    {"legacy then UEFI", [] { return Chain({Legacy(0x80, false), OfType(3, 0x40, true)}); },
     ChainEnd::LastImage, 64 * K, {0, 64 * K}, {0, 3}, 96 * K},
    {"three images", [] { return Chain({Legacy(0x40, false), OfType(3, 0x20, false), OfType(1, 0x10, true)}); },
     ChainEnd::LastImage, 48 * K, {0, 32 * K, 48 * K}, {0, 3, 1}, 56 * K},
    {"padding after the last image", [] { return Joined(Chain({Legacy(0x40, true)}), ByteList(4 * K, 0xFF)); },
     ChainEnd::LastImage, 0, {0}, {0}, 32 * K},
    {"none flagged last, file ends after them",
     [] { return Chain({Legacy(0x40, false), OfType(3, 0x40, false)}); }, ChainEnd::EndOfData,
     64 * K, {0, 32 * K}, {0, 3}, 64 * K},
    {"no header where the next image should be",
     [] { return Joined(Chain({Legacy(0x40, false)}), ByteList(K, 0x00)); }, ChainEnd::NoSignature,
     32 * K, {0}, {0}, 32 * K},
    {"second image cut by the end of the file",
     [] {
       auto b = Chain({Legacy(0x40, false), OfType(3, 0x40, true)});
       b.resize(40 * K);
       return b;
     },
     ChainEnd::PastEnd, 32 * K, {0, 32 * K}, {0, 3}, 32 * K},
    {"first image longer than the file",
     [] { return WithPciLength(Chain({Legacy(0x40, true)}), 0, 0x80); }, ChainEnd::PastEnd, 0, {0},
     {0}, 0},
    {"second image gives a length of 0",
     [] { return WithPciLength(Chain({Legacy(0x40, false), OfType(3, 0x40, true)}), 32 * K, 0); },
     ChainEnd::ZeroLength, 32 * K, {0, 32 * K}, {0, 3}, 32 * K},
    {"the PCI data length leads, not the header's",
     [] {
       auto b = Chain({Legacy(0x40, false), OfType(3, 0x40, true)});
       return WithHeaderLength(b, 0, 0x10);
     },
     ChainEnd::LastImage, 32 * K, {0, 32 * K}, {0, 3}, 64 * K},
    {"no PCI data structure: the header's length leads",
     [] {
       auto b = Chain({Legacy(0x40, false), OfType(3, 0x40, true)});
       b[0x18] = 0xF0;  // points at filler
       b[0x19] = 0x01;
       return b;
     },
     ChainEnd::LastImage, 32 * K, {0, 32 * K}, {-1, 3}, 64 * K},
    {"PCI data pointer past the file's end",
     [] {
       auto b = Chain({Legacy(1, true)});
       b[0x18] = 0xFF;
       b[0x19] = 0xFF;
       return b;
     },
     ChainEnd::EndOfData, 512, {0}, {-1}, 512},
    {"not a BIOS file", [] { return ByteList(100, 'x'); }, ChainEnd::NoSignature, 0, {}, {}, 0},
    {"empty file", [] { return ByteList{}; }, ChainEnd::NoSignature, 0, {}, {}, 0},
    {"header alone", [] { return ByteList{0x55, 0xAA}; }, ChainEnd::ZeroLength, 0, {0}, {-1}, 0},
    {"as many images as are walked", [] { return ManyImages(bios::kMaxChainImages); },
     ChainEnd::EndOfData, bios::kMaxChainImages * 512, {}, {}, bios::kMaxChainImages * 512},
    {"more images than are walked", [] { return ManyImages(bios::kMaxChainImages + 1); },
     ChainEnd::TooManyImages, bios::kMaxChainImages * 512, {}, {}, bios::kMaxChainImages * 512},
};

class RomChainWalk : public ::testing::TestWithParam<ChainCase> {};

TEST_P(RomChainWalk, FindsEachImageAndSaysWhyItStopped) {
  const ChainCase& c = GetParam();
  const ByteList bytes = c.bytes();
  const bios::RomChain chain = bios::WalkRomChain(bytes);
  EXPECT_EQ(chain.end, c.end) << bios::ChainEndText(chain);
  EXPECT_EQ(chain.endOffset, c.endOffset);
  EXPECT_EQ(chain.Covered(), c.covered);
  if (c.offsets.empty() && c.end != ChainEnd::NoSignature) {
    // The long chains: every image is a 512-byte legacy one, one after the other.
    ASSERT_EQ(chain.images.size(), bios::kMaxChainImages);
    for (std::size_t i = 0; i < chain.images.size(); ++i) EXPECT_EQ(chain.images[i].offset, i * 512);
    return;
  }
  ASSERT_EQ(chain.images.size(), c.offsets.size());
  for (std::size_t i = 0; i < c.offsets.size(); ++i) {
    SCOPED_TRACE(i);
    const auto& image = chain.images[i];
    EXPECT_EQ(image.offset, c.offsets[i]);
    if (c.codeTypes[i] < 0) {
      EXPECT_FALSE(image.pciData);
      EXPECT_EQ(image.length, image.headerLength);
    } else {
      ASSERT_TRUE(image.pciData);
      EXPECT_EQ(image.pciData->codeType, c.codeTypes[i]);
      EXPECT_EQ(image.pciData->vendorId, 0x10DE);
      EXPECT_EQ(image.pciData->deviceId, 0x0191);
    }
  }
  EXPECT_FALSE(bios::ChainEndText(chain).empty());
}

INSTANTIATE_TEST_SUITE_P(Chains, RomChainWalk, ::testing::ValuesIn(kChains),
                         [](const auto& p) {
                           std::string n;
                           for (const char* s = p.param.name; *s; ++s)
                             n += std::isalnum(static_cast<unsigned char>(*s)) ? *s : '_';
                           return n;
                         });

TEST(RomChain, LastFlagAndLengthsComeFromThePciData) {
  const ByteList bytes = WithHeaderLength(Chain({Legacy(0x40, false), OfType(3, 0x20, true)}), 0, 0x30);
  const auto chain = bios::WalkRomChain(bytes);
  ASSERT_EQ(chain.images.size(), 2u);
  EXPECT_FALSE(chain.images[0].pciData->last);
  EXPECT_TRUE(chain.images[1].pciData->last);
  EXPECT_EQ(chain.images[0].headerLength, 0x30u * 512);
  EXPECT_EQ(chain.images[0].length, 0x40u * 512);
  EXPECT_EQ(chain.images[1].length, 0x20u * 512);
  EXPECT_TRUE(chain.images[1].whole);
}

TEST(RomChain, ChecksumOfLegacyImagesOnly) {
  struct Case {
    const char* name;
    ByteList bytes;
    std::optional<bool> first, second;
  };
  auto bad = Legacy(0x40, false);
  bad.checksum = false;
  bad.seed = 3;
  ByteList cut = Chain({Legacy(0x40, true)});
  cut = WithPciLength(cut, 0, 0x20);   // the walk takes 16 KiB of it
  cut.resize(20 * K);                  // the header's 32 KiB are not all there
  const Case cases[] = {
      {"legacy sums to 0, UEFI not summed", Chain({Legacy(0x40, false), OfType(3, 0x40, true)}), true,
       std::nullopt},
      {"legacy that does not sum to 0", Chain({bad, OfType(3, 0x40, true)}), false, std::nullopt},
      {"two legacy images", Chain({Legacy(0x20, false), Legacy(0x20, true)}), true, true},
      {"header's bytes not all in the file", cut, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto chain = bios::WalkRomChain(c.bytes);
    ASSERT_GE(chain.images.size(), 1u);
    EXPECT_EQ(chain.images[0].checksumOk, c.first);
    if (chain.images.size() > 1) {
      EXPECT_EQ(chain.images[1].checksumOk, c.second);
    }
  }
  // The unchecked sum really is off: the case above does not pass by chance.
  const auto image = BuildImage(bad);
  EXPECT_NE(testimage::Sum8(image, image.size()), 0);
}

TEST(RomChain, NamesForPeopleAndScripts) {
  EXPECT_EQ(bios::CodeTypeName(0), "legacy x86");
  EXPECT_EQ(bios::CodeTypeName(3), "UEFI");
  EXPECT_EQ(bios::CodeTypeName(1), "code type 1");
  EXPECT_EQ(bios::SizeText(65536), "64 KiB");
  EXPECT_EQ(bios::SizeText(1000), "1000 bytes");
  EXPECT_EQ(bios::SizeText(0), "0 bytes");
  EXPECT_STREQ(bios::ChainEndName(ChainEnd::PastEnd), "past_end");
  const auto cut = [] {
    auto b = Chain({Legacy(0x40, false), OfType(3, 0x40, true)});
    b.resize(40 * K);
    return b;
  }();
  EXPECT_EQ(bios::ChainEndText(bios::WalkRomChain(cut)),
            "the image at 0x8000 is 32 KiB long, but only 8 KiB of it are in the file");
}

}  // namespace
}  // namespace rz::test
