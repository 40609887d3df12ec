// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated file system's numbered call faults and its journal: the one call numbered K fails
// and no other; and whatever a run does to the files after the journal starts (power cut
// included), UndoChanges leaves the folder as it stood.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "support/SimHarness.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// Every file and folder under `root`, with a file's contents.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> all;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    const std::string name = fs::relative(e.path(), root).string();
    if (e.is_directory()) {
      all[name] = "(folder)";
      continue;
    }
    std::ifstream in(e.path(), std::ios::binary);
    all[name] = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return all;
}

// One step of each kind the numbering counts; true when the step did what it was asked.
struct Step {
  const char* call;  // how FailedCall names it
  // On the files, in the folder `d`, with the file the steps write and then read.
  std::function<bool(platform::FileSystem&, const std::string& d, std::unique_ptr<platform::File>&)>
      run;
};

const std::vector<Step>& Steps() {
  static const std::vector<Step> steps = {
      {"open", [](auto& f, auto& d, auto& open) { return (open = f.OpenWrite(d + "a")) != nullptr; }},
      {"write", [](auto&, auto&, auto& open) { return open->Write("abcd", 4) == 4; }},
      {"flush", [](auto&, auto&, auto& open) { return open->Flush(); }},
      {"close", [](auto&, auto&, auto& open) { return open->Close(); }},
      {"create folder", [](auto& f, auto& d, auto&) { return f.CreateFolder(d + "sub"); }},
      {"rename", [](auto& f, auto& d, auto&) { return f.Rename(d + "a", d + "sub/a"); }},
      {"flush folder", [](auto& f, auto& d, auto&) { return f.FlushFolder(d + "sub"); }},
      {"copy", [](auto& f, auto& d, auto&) { return f.Copy(d + "sub/a", d + "b"); }},
      {"open to read", [](auto& f, auto& d, auto& open) { return (open = f.OpenRead(d + "b")) != nullptr; }},
      {"close after reading", [](auto&, auto&, auto& open) { return open->Close(); }},
      {"remove", [](auto& f, auto& d, auto&) { return f.Remove(d + "b"); }},
  };
  return steps;
}

TEST(EmulatedFileCalls, OnlyTheCallWithTheFaultsNumberFails) {
  for (std::size_t k = 0; k < Steps().size(); ++k) {
    SimHarness h(json{{"adapters", json::array()}});
    auto& files = h.platform->Files();
    files.Faults().failCallAt = files.CallsSoFar() + k;
    const std::string d = h.dir.Folder();
    std::unique_ptr<platform::File> open;
    for (std::size_t i = 0; i < Steps().size(); ++i) {
      const Step& s = Steps()[i];
      if (i == k) {
        EXPECT_FALSE(s.run(files, d, open)) << "call " << k << " (" << s.call << ") should fail";
        ASSERT_TRUE(files.FailedCall().has_value());
        EXPECT_TRUE(files.FailedCall()->starts_with(std::string(s.call) + " ")) << *files.FailedCall();
        break;  // later steps build on this one
      }
      ASSERT_TRUE(s.run(files, d, open)) << "call " << i << " (" << s.call << ") with the fault at " << k;
      ASSERT_FALSE(files.FailedCall().has_value());
    }
  }
}

TEST(EmulatedFileJournal, UndoLeavesTheFolderAsItStood) {
  struct Case {
    const char* name;
    bool cut;  // the power goes before the undo
  };
  for (const Case c : {Case{"after the steps", false}, Case{"after a power cut", true}}) {
    SimHarness h(json{{"adapters", json::array()}});
    auto& files = h.platform->Files();
    const std::string d = h.dir.Folder();
    // Before the journal: a file the run overwrites, one it removes, and unflushed work.
    h.dir.Write("kept", "old");
    h.dir.Write("gone", "old too");
    auto early = files.OpenWrite(d + "early");
    ASSERT_NE(early, nullptr);
    early->Write("unflushed", 9);
    early->Close();
    const auto before = Snapshot(h.dir.Path());

    files.StartJournal();
    std::unique_ptr<platform::File> open;
    for (const Step& s : Steps()) ASSERT_TRUE(s.run(files, d, open)) << s.call;
    open.reset();
    auto over = files.OpenWrite(d + "kept");
    over->Write("new", 3);
    over->Close();
    ASSERT_TRUE(files.Remove(d + "gone"));
    if (c.cut) files.LosePower();
    files.UndoChanges();
    EXPECT_EQ(Snapshot(h.dir.Path()), before) << c.name;
  }
}

}  // namespace
}  // namespace rz::test
