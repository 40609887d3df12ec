// SPDX-License-Identifier: GPL-3.0-or-later
// One emulated card, one run: a lock named after a file's path (platform/PathLock.h), and the
// emulated machine that takes it on every persisted EEPROM image before reading it, reports a card
// another run holds as another instance and then writes nothing back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/PathLock.h"
#include "sim/devices/AtiCard.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using platform::PathLock;

TEST(PathLock, OneHolderPerFileWhateverThePathsSpelling) {
  TempDir dir;
  fs::create_directory(dir.Path() / "sub");
  dir.Write("card.rom", "x");
  PathLock first(dir.File("card.rom"));
  ASSERT_TRUE(first.Held()) << first.Error();
  struct Case {
    const char* what;
    std::string path;
    PathLock::State state;
  } cases[] = {
      {"the same path", dir.File("card.rom"), PathLock::State::HeldElsewhere},
      {"through a folder and back", dir.File("sub/../card.rom"), PathLock::State::HeldElsewhere},
      {"another file", dir.File("other.rom"), PathLock::State::Held},
      {"a file that does not exist yet", dir.File("sub/new.rom"), PathLock::State::Held},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const PathLock second(c.path);
    EXPECT_EQ(second.GetState(), c.state) << second.Error();
  }
  const std::string name = first.Name();
  { PathLock gone(dir.File("gone.rom")); }
  PathLock again(dir.File("gone.rom"));
  EXPECT_TRUE(again.Held()) << "released with its holder";
  EXPECT_NE(again.Name(), name);
}

json AtiScenario(const std::string& image) {
  json adapter = Adapter(1, 0, 0x1002, 0x9442);
  adapter["eeprom"] = {{"image", image}, {"persist", true}, {"size", 4096}};
  return json{{"adapters", json::array({adapter})}};
}

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(SimImageLock, ACardAnotherRunHoldsIsAnotherInstanceAndIsNotWrittenBack) {
  TempDir dir;
  dir.Write("card.rom", std::string(4096, 'A'));
  const auto scenario = sim::ParseScenario(AtiScenario("card.rom"), dir.Path().string());
  auto first = std::make_unique<sim::EmulatedPlatform>(scenario);
  EXPECT_FALSE(first->CardHeldElsewhere());
  {
    // A second run on the same image, with a registry of its own (another process's).
    sim::EmulatedPlatform second(scenario);
    EXPECT_TRUE(second.CardHeldElsewhere());
    EXPECT_TRUE(second.System().AnotherInstanceRunning("rzflash"));
    auto* card = dynamic_cast<sim::AtiCard*>(second.AdapterDevice(0));
    ASSERT_NE(card, nullptr);
    ASSERT_TRUE(card->Program(std::vector<std::uint8_t>(16, 'B')));
    second.Finish();
  }
  EXPECT_EQ(Contents(dir.File("card.rom")), std::string(4096, 'A')) << "the refused run wrote nothing";
  EXPECT_FALSE(first->System().AnotherInstanceRunning("rzflash"));
  auto* card = dynamic_cast<sim::AtiCard*>(first->AdapterDevice(0));
  ASSERT_NE(card, nullptr);
  ASSERT_TRUE(card->Program(std::vector<std::uint8_t>(16, 'C')));
  first->Finish();
  EXPECT_EQ(Contents(dir.File("card.rom")).substr(0, 17), std::string(16, 'C') + '\xFF');
  first.reset();
  sim::EmulatedPlatform third(scenario);
  EXPECT_FALSE(third.CardHeldElsewhere()) << "free once the first run has gone";
  EXPECT_FALSE(third.System().AnotherInstanceRunning("rzflash"));
}

TEST(SimImageLock, AnImageThatIsNotPersistedIsNotLocked) {
  TempDir dir;
  dir.Write("card.rom", std::string(4096, 'A'));
  json adapter = Adapter(1, 0, 0x1002, 0x9442);
  adapter["eeprom"] = {{"image", "card.rom"}};
  const auto scenario = sim::ParseScenario(json{{"adapters", json::array({adapter})}},
                                           dir.Path().string());
  sim::EmulatedPlatform first(scenario), second(scenario);
  EXPECT_FALSE(second.CardHeldElsewhere()) << "a copy that goes nowhere is no shared card";
}

}  // namespace
}  // namespace rz::test
