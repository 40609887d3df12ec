// SPDX-License-Identifier: GPL-3.0-or-later
// The host file system on Windows' own file calls: what may be opened, created, replaced and
// copied, and the buffered file against the in-memory reference file.
#include <gtest/gtest.h>

#include <ostream>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "BuiltPaths.h"
#include "ChildProcess.h"
#include "WindowsFiles.h"
#include "commands/VendorTool.h"
#include "host/PrivateFolder.h"
#include "host/windows/OwnedHandles.h"
#include "platform/HostPlatform.h"
#include "platform/files/FileReplacement.h"
#include "platform/files/MemoryFile.h"
#include "support/ScriptedUi.h"

namespace rz::test {
namespace {

using platform::PathKind;
using namespace winfiles;

// A named pipe with one waiting instance, and its name.
struct WaitingPipe {
  std::string name =
      "\\\\.\\pipe\\rz-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
      std::to_string(reinterpret_cast<std::uintptr_t>(this));
  platform::win::OwnedHandle server{::CreateNamedPipeA(
      name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_NOWAIT, 1, 512, 512, 0, nullptr)};
};

class HostFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir.Path().empty());
    WriteText(dir.File("image.rom"), "bytes");
    ASSERT_TRUE(::CreateDirectoryA(dir.File("folder").c_str(), nullptr));
  }
  platform::PrivateFolder dir{"rz-files-"};
  std::unique_ptr<platform::FileSystem> files = platform::MakeHostFileSystem();
};

TEST_F(HostFiles, EachKindOfPathIsToldApartAndOnlyFilesOpenForReading) {
  WaitingPipe pipe;
  ASSERT_TRUE(pipe.server);
  struct Case {
    std::string path;
    PathKind kind;
  } cases[] = {{dir.File("image.rom"), PathKind::File},
               {dir.File("folder"), PathKind::Folder},
               {dir.File("folder") + "\\", PathKind::Folder},
               {"NUL", PathKind::Other},
               {dir.File("folder") + "\\NUL", PathKind::Other},
               {pipe.name, PathKind::Other},
               {dir.File("missing.rom"), PathKind::Missing},
               {dir.File("missing-folder") + "\\a.rom", PathKind::Missing},
               {"", PathKind::Missing}};
  for (const auto& c : cases) {
    EXPECT_EQ(files->Kind(c.path), c.kind) << c.path;
    EXPECT_EQ(files->Exists(c.path), c.kind != PathKind::Missing) << c.path;
    EXPECT_EQ(files->OpenRead(c.path) != nullptr, c.kind == PathKind::File) << c.path;
  }
}

TEST_F(HostFiles, SizeOnlyOfFiles) {
  struct Case {
    std::string path;
    std::int64_t size;
  } cases[] = {{dir.File("image.rom"), 5}, {dir.File("folder"), -1}, {"NUL", -1},
               {dir.File("missing.rom"), -1}};
  for (const auto& c : cases) EXPECT_EQ(files->Size(c.path), c.size) << c.path;
}

TEST_F(HostFiles, CreateNewNeverTruncatesWhatIsThere) {
  EXPECT_EQ(files->CreateNew(dir.File("image.rom")), nullptr);
  EXPECT_EQ(files->CreateNew(dir.File("folder")), nullptr);
  EXPECT_EQ(ReadText(dir.File("image.rom")), "bytes");
  auto made = files->CreateNew(dir.File("new.rom"));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->Write("abc", 3), 3u);
  EXPECT_EQ(files->CreateNew(dir.File("new.rom")), nullptr) << "even while it is being written";
  EXPECT_TRUE(made->Close());
  EXPECT_EQ(ReadText(dir.File("new.rom")), "abc");
}

TEST_F(HostFiles, CreateUniqueMakesNewNamesInTheFolder) {
  std::vector<std::string> paths;
  std::vector<std::unique_ptr<platform::File>> open;
  for (int i = 0; i < 5; ++i) {
    std::string path;
    open.push_back(files->CreateUnique(dir.Path() + "\\", ".rz", path));
    ASSERT_NE(open.back(), nullptr);
    EXPECT_EQ(path.rfind(dir.Path() + "\\.rz", 0), 0u) << path;
    EXPECT_EQ(std::count(paths.begin(), paths.end(), path), 0) << path;
    paths.push_back(path);
  }
  std::string path = "left over";
  EXPECT_EQ(files->CreateUnique(dir.File("missing-folder") + "\\", ".rz", path), nullptr);
  EXPECT_EQ(path, "");
}

TEST_F(HostFiles, RenameReplacesTheTarget) {
  WriteText(dir.File("new.tmp"), "new contents");
  EXPECT_TRUE(files->Rename(dir.File("new.tmp"), dir.File("image.rom")));
  EXPECT_EQ(ReadText(dir.File("image.rom")), "new contents");
  EXPECT_FALSE(files->Exists(dir.File("new.tmp")));
  EXPECT_FALSE(files->Rename(dir.File("new.tmp"), dir.File("image.rom")));
  EXPECT_EQ(ReadText(dir.File("image.rom")), "new contents");
}

TEST_F(HostFiles, RenameIsRefusedWhileTheTargetIsInUse) {
  WriteText(dir.File("new.tmp"), "new contents");
  const platform::win::OwnedHandle user(::CreateFileA(dir.File("image.rom").c_str(), GENERIC_READ,
                                                      FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(user);
  EXPECT_FALSE(files->Rename(dir.File("new.tmp"), dir.File("image.rom")));
  EXPECT_EQ(ReadText(dir.File("image.rom")), "bytes");
}

TEST_F(HostFiles, RemoveTakesFilesAndEmptyFolders) {
  EXPECT_TRUE(files->Remove(dir.File("image.rom")));
  EXPECT_FALSE(files->Exists(dir.File("image.rom")));
  EXPECT_FALSE(files->Remove(dir.File("image.rom")));
  WriteText(dir.File("folder") + "\\inside", "x");
  EXPECT_FALSE(files->Remove(dir.File("folder")));
  EXPECT_TRUE(files->Remove(dir.File("folder") + "\\inside"));
  EXPECT_TRUE(files->Remove(dir.File("folder")));
}

TEST_F(HostFiles, CopyOverwritesAndAFileIsItsOwnCopy) {
  WriteText(dir.File("other.rom"), "other");
  char shortName[MAX_PATH] = {};
  ::GetShortPathNameA(dir.File("image.rom").c_str(), shortName, sizeof shortName);
  struct Case {
    std::string from;
    std::string to;
    bool ok;
    std::string after;  // what `to` holds afterwards
  } cases[] = {{dir.File("image.rom"), dir.File("image.rom"), true, "bytes"},
               {dir.File("image.rom"), dir.File("IMAGE.ROM"), true, "bytes"},
               {dir.File("image.rom"), dir.File("folder") + "\\..\\image.rom", true, "bytes"},
               {shortName, dir.File("image.rom"), true, "bytes"},
               {dir.File("image.rom"), dir.File("other.rom"), true, "bytes"},
               {dir.File("image.rom"), dir.File("copy.rom"), true, "bytes"},
               {dir.File("missing.rom"), dir.File("copy2.rom"), false, ""},
               {dir.File("folder"), dir.File("copy3.rom"), false, ""},
               {"NUL", dir.File("copy4.rom"), false, ""}};
  for (const auto& c : cases) {
    EXPECT_EQ(files->Copy(c.from, c.to), c.ok) << c.from << " -> " << c.to;
    EXPECT_EQ(ReadText(c.to), c.after) << c.from << " -> " << c.to;
  }
}

TEST_F(HostFiles, CanWriteRefusesReadOnlyFilesAndWhatIsNoFile) {
  WriteText(dir.File("marked.rom"), "keep me");
  ASSERT_TRUE(::SetFileAttributesA(dir.File("marked.rom").c_str(), FILE_ATTRIBUTE_READONLY));
  WriteText(dir.File("held.rom"), "in use");
  const platform::win::OwnedHandle holder(::CreateFileA(dir.File("held.rom").c_str(), GENERIC_READ,
                                                        FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(holder);
  struct Case {
    std::string path;
    bool writable;
  } cases[] = {{dir.File("image.rom"), true},  {dir.File("marked.rom"), false},
               {dir.File("held.rom"), false},  {dir.File("folder"), false},
               {dir.File("missing.rom"), false}, {"NUL", false}};
  for (const auto& c : cases) EXPECT_EQ(files->CanWrite(c.path), c.writable) << c.path;
  ::SetFileAttributesA(dir.File("marked.rom").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(HostFiles, PlainPathsAreTheirOwnFinalTarget) {
  for (const std::string& path : {dir.File("image.rom"), dir.File("folder"), dir.File("missing.rom"),
                                  dir.File("missing-folder") + "\\a.rom"})
    EXPECT_EQ(files->FinalTarget(path), path);
}

// The buffered file against MemoryFile, the reference of a binary C stream, under the same
// operations: written through one file, read back through another.
enum class Op { Read, Write, SeekBegin, SeekCurrent, SeekEnd, Tell };

struct Step {
  Op op;
  std::int64_t amount;  // bytes to read or write; seek offset
};

std::vector<Step> Steps(std::uint32_t seed, bool writing) {
  std::mt19937 random(seed);
  // Sizes around the file's block of 64 KiB, where the buffering changes its way.
  const std::int64_t sizes[] = {0, 1, 3, 4095, 65535, 65536, 65537, 200000};
  std::vector<Step> steps;
  for (int i = 0; i < 60; ++i) {
    const std::int64_t size = sizes[random() % std::size(sizes)];
    switch (random() % 6) {
      case 0: steps.push_back({writing ? Op::Write : Op::Read, size}); break;
      case 1: steps.push_back({writing ? Op::Write : Op::Read, size}); break;
      case 2: steps.push_back({Op::SeekBegin, size - 3}); break;
      case 3: steps.push_back({Op::SeekCurrent, (random() % 2 ? -1 : 1) * size}); break;
      case 4: steps.push_back({Op::SeekEnd, -size}); break;
      default: steps.push_back({Op::Tell, 0}); break;
    }
  }
  return steps;
}

// Runs `steps` on both files; every result must agree.
void RunBoth(const std::vector<Step>& steps, platform::File& tested, platform::File& reference,
             std::uint32_t seed) {
  std::vector<std::uint8_t> data(200000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + seed);
  std::vector<std::uint8_t> got(data.size()), want(data.size());
  int index = 0;
  for (const Step& s : steps) {
    SCOPED_TRACE("step " + std::to_string(index++));
    const auto amount = static_cast<std::size_t>(s.amount);
    switch (s.op) {
      case Op::Read:
        ASSERT_EQ(tested.Read(got.data(), amount), reference.Read(want.data(), amount));
        ASSERT_TRUE(std::equal(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(amount),
                               want.begin()));
        break;
      case Op::Write:
        ASSERT_EQ(tested.Write(data.data(), amount), reference.Write(data.data(), amount));
        break;
      case Op::SeekBegin:
        ASSERT_EQ(tested.Seek(s.amount, platform::SeekOrigin::Begin),
                  reference.Seek(s.amount, platform::SeekOrigin::Begin));
        break;
      case Op::SeekCurrent:
        ASSERT_EQ(tested.Seek(s.amount, platform::SeekOrigin::Current),
                  reference.Seek(s.amount, platform::SeekOrigin::Current));
        break;
      case Op::SeekEnd:
        ASSERT_EQ(tested.Seek(s.amount, platform::SeekOrigin::End),
                  reference.Seek(s.amount, platform::SeekOrigin::End));
        break;
      case Op::Tell:
        break;
    }
    ASSERT_EQ(tested.Tell(), reference.Tell());
  }
}

class BufferedFile : public HostFiles, public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(BufferedFile, BehavesLikeABinaryStream) {
  const std::uint32_t seed = GetParam();
  const std::string path = dir.File("stream.bin");
  auto bytes = std::make_shared<platform::ByteVector>();
  {
    auto out = files->OpenWrite(path);
    ASSERT_NE(out, nullptr);
    platform::MemoryFile reference(bytes);
    RunBoth(Steps(seed, true), *out, reference, seed);
    EXPECT_TRUE(out->Close());
    EXPECT_EQ(out->Write("x", 1), 0u) << "closed";
  }
  const std::string written = ReadText(path);
  ASSERT_EQ(written, std::string(bytes->begin(), bytes->end()));
  auto in = files->OpenRead(path);
  ASSERT_NE(in, nullptr);
  platform::MemoryFile reference(bytes);
  RunBoth(Steps(seed + 1000, false), *in, reference, seed);
  EXPECT_EQ(in->Write("x", 1), 0u) << "opened for reading only";
  EXPECT_TRUE(in->Close());
}

INSTANTIATE_TEST_SUITE_P(Seeds, BufferedFile, ::testing::Values(1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u));

}  // namespace
}  // namespace rz::test
