// SPDX-License-Identifier: GPL-3.0-or-later
// UTF-8 and UTF-16 both ways (host/windows/Utf16.h), and std::filesystem paths from UTF-8
// (base/Utf8Path.h): round trips, agreement with the system's own converter, and what text that
// is not UTF-8 (or UTF-16 that is not Unicode) becomes.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "base/Utf8Path.h"
#include "host/windows/Utf16.h"
#include "host/windows/Win32.h"

namespace rz::test {
namespace {

using platform::win::Narrow;
using platform::win::NarrowExact;
using platform::win::Widen;
using platform::win::WidenExact;

// The system's own conversion, refusing what is not UTF-8.
std::wstring SystemWiden(const std::string& utf8) {
  const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                      static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                        out.data(), n);
  return out;
}

struct TextCase {
  const char* name;
  std::string utf8;
  std::wstring utf16;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class Utf16RoundTrip : public ::testing::TestWithParam<TextCase> {};

TEST_P(Utf16RoundTrip, ConvertsBothWaysExactlyAsTheSystemDoes) {
  const TextCase& c = GetParam();
  EXPECT_EQ(WidenExact(c.utf8), c.utf16);
  EXPECT_EQ(Widen(c.utf8), c.utf16);
  EXPECT_EQ(NarrowExact(c.utf16), c.utf8);
  EXPECT_EQ(Narrow(c.utf16), c.utf8);
  EXPECT_EQ(SystemWiden(c.utf8), c.utf16);
  EXPECT_EQ(Utf8FromPath(PathFromUtf8(c.utf8)), c.utf8);
  EXPECT_EQ(PathFromUtf8(c.utf8).native(), c.utf16);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Utf16RoundTrip,
    ::testing::Values(
        TextCase{"Empty", "", L""},
        TextCase{"Ascii", "C:\\BIOS\\backup.rom", L"C:\\BIOS\\backup.rom"},
        TextCase{"Cyrillic", "\xD0\x92\xD0\xB8\xD0\xB4\xD0\xB5\xD0\xBE.rom",
                 L"\u0412\u0438\u0434\u0435\u043E.rom"},
        TextCase{"Chinese", "\xE6\x98\xBE\xE5\x8D\xA1.rom", L"\u663E\u5361.rom"},
        TextCase{"LatinAccent", "caf\xC3\xA9.rom", L"caf\u00E9.rom"},
        TextCase{"BeyondTheBasicPlane", "\xF0\x9F\x92\xBE.rom", L"\xD83D\xDCBE.rom"},
        TextCase{"LastCharacters", "\xEF\xBF\xBF\xF4\x8F\xBF\xBF", L"\xFFFF\xDBFF\xDFFF"},
        TextCase{"ByteOrderMarkStays", "\xEF\xBB\xBFx", L"\xFEFFx"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(Utf16RoundTrip, AZeroCharacterPassesThrough) {
  const std::string utf8("a\0b", 3);
  EXPECT_EQ(WidenExact(utf8), std::wstring(L"a\0b", 3));
  EXPECT_EQ(NarrowExact(std::wstring(L"a\0b", 3)), utf8);
}

struct BadCase {
  const char* name;
  std::string bytes;
  std::wstring shown;  // each maximal ill-formed part one U+FFFD
};

void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }

class NotUtf8 : public ::testing::TestWithParam<BadCase> {};

TEST_P(NotUtf8, IsRefusedForTheSystemAndShownWithReplacementCharacters) {
  const BadCase& c = GetParam();
  EXPECT_EQ(WidenExact(c.bytes), std::nullopt);
  EXPECT_EQ(Widen(c.bytes), c.shown);
  // The system's own converter refuses it too.
  EXPECT_EQ(::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, c.bytes.data(),
                                  static_cast<int>(c.bytes.size()), nullptr, 0),
            0);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, NotUtf8,
    ::testing::Values(
        BadCase{"Latin1Byte", "caf\xE9.rom", L"caf\uFFFD.rom"},
        BadCase{"StrayContinuation", "a\x80z", L"a\uFFFDz"},
        BadCase{"CutShortAtTheEnd", "a\xE6\x98", L"a\uFFFD"},
        BadCase{"CutShortBeforeAscii", "\xE6\x98z", L"\uFFFDz"},
        BadCase{"OverlongSlash", "\xC0\xAF", L"\uFFFD\uFFFD"},
        BadCase{"OverlongThreeBytes", "\xE0\x80\xAF", L"\uFFFD\uFFFD\uFFFD"},
        BadCase{"EncodedSurrogate", "\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},
        BadCase{"PastTheLastCharacter", "\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"},
        BadCase{"NeverALeadByte", "\xF5\xFF", L"\uFFFD\uFFFD"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(NotUnicode, AnUnpairedSurrogateIsRefusedForUtf8AndShownAsReplacement) {
  for (const std::wstring& text : {std::wstring(L"a\xD800"), std::wstring(L"\xDC00z"),
                                   std::wstring(L"\xDBFF\xDBFF\xDFFF")}) {
    EXPECT_EQ(NarrowExact(text), std::nullopt);
    EXPECT_NE(Narrow(text).find("\xEF\xBF\xBD"), std::string::npos);
  }
  EXPECT_EQ(Narrow(L"a\xD800z"), "a\xEF\xBF\xBDz");
  EXPECT_EQ(Narrow(L"\xDBFF\xDBFF\xDFFF"), "\xEF\xBF\xBD\xF4\x8F\xBF\xBF") << "the pair after it";
}

// A path from text that is not UTF-8 names nothing that can exist, and a path that is not Unicode
// gives a text that every file call refuses in turn.
TEST(Utf8Path, TextThatCannotBeConvertedNamesNoFile) {
  const std::filesystem::path bad = PathFromUtf8("C:\\BIOS\\caf\xE9.rom");
  EXPECT_EQ(bad.native(), std::wstring(kUnusablePath));
  EXPECT_EQ(::GetFileAttributesW(bad.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
  EXPECT_EQ(Utf8FromPath(std::filesystem::path(L"a\xD800.rom")), kUnreadablePathText);
  EXPECT_EQ(WidenExact(kUnreadablePathText), std::nullopt);
}

}  // namespace
}  // namespace rz::test
