// SPDX-License-Identifier: GPL-3.0-or-later
// Names in any language on the Windows backend's calls: the vendor tool started from and in
// folders of such names, the maker's library and the current folder there, the registry's names
// and texts, the driver file's path in its service, and names that cannot be given exactly.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "BuiltPaths.h"
#include "ChildProcess.h"
#include "RegistryScene.h"
#include "UnicodeNames.h"
#include "WindowsFiles.h"
#include "backends/windows/WindowsRegistry.h"
#include "backends/windows/WindowsShellOpen.h"
#include "backends/windows/WindowsSystem.h"
#include "backends/windows/WindowsToolLauncher.h"
#include "backends/windows/driver/OsVersionCode.h"
#include "backends/windows/driver/WindowsServiceControl.h"
#include "commands/VendorTool.h"
#include "host/PrivateFolder.h"
#include "host/windows/OwnedHandles.h"
#include "platform/HostPlatform.h"
#include "support/ScriptedUi.h"
// After the system headers, which it needs.
#include <shellapi.h>

namespace rz::test {
namespace {

using namespace winfiles;
using Fields = std::vector<std::string>;

// The stand-in's log lines (its current folder, then each argument), split at '|'.
std::vector<Fields> LogEntries(const std::string& path) {
  std::vector<Fields> entries;
  std::istringstream in(ReadWide(path));
  for (std::string line; std::getline(in, line);) {
    Fields fields;
    std::size_t from = 0;
    for (std::size_t bar; (bar = line.find('|', from)) != std::string::npos; from = bar + 1)
      fields.push_back(line.substr(from, bar - from));
    fields.push_back(line.substr(from));
    entries.push_back(fields);
  }
  return entries;
}

// The vendor tool in "<program>\tool" below a folder named in Cyrillic, its exchange folder named
// in Chinese, the card's BIOS and the tool's log under names of their own.
struct ToolScene {
  ToolScene() {
    ready = MakeFolderWide(program) && MakeFolderWide(program + "\\tool") &&
            MakeFolderWide(exchange) &&
            ::CopyFileW(SystemWide(VendorToolStandinPath()).c_str(), SystemWide(tool).c_str(),
                        TRUE) &&
            WriteWide(card, "card bios");
  }
  platform::PrivateFolder dir{"rz-tool-names-"};
  std::string program = dir.File(kFirmwareFolder);
  std::string tool = program + "\\tool\\ATIWinflash.exe";
  std::string exchange = dir.File(kChineseName.stem);
  std::string card = dir.File(kCyrillicName.File());
  std::string log = dir.File(kAccentedName.stem + ".log");
  ScopedEnvironment image{"RZ_STANDIN_IMAGE", card};
  ScopedEnvironment logged{"RZ_STANDIN_LOG", log};
  ScopedEnvironment adapter{"RZ_STANDIN_ADAPTER", std::nullopt};
  ScopedEnvironment exitSetting{"RZ_STANDIN_EXIT", std::nullopt};
  bool ready = false;
};

TEST(UnicodeTool, StartsFromAndInFoldersOfAnyNameWithTheNamesAsGiven) {
  ToolScene scene;
  ASSERT_TRUE(scene.ready);
  platform::WindowsToolLauncher launcher;
  const auto result =
      launcher.RunAndWait(scene.tool, "-s 0 " + kAccentedName.File() + " -quiet", scene.exchange);
  EXPECT_TRUE(result.started) << launcher.LastError();
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(ReadWide(scene.exchange + "\\" + kAccentedName.File()), "card bios");
  const auto entries = LogEntries(scene.log);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0], (Fields{scene.exchange, "-s", "0", kAccentedName.File(), "-quiet"}));

  // Texts that are not UTF-8 start nothing.
  for (const auto& [path, parameters, folder] :
       {std::tuple{scene.tool, std::string("-s 0 caf\xE9.rom -quiet"), scene.exchange},
        std::tuple{scene.tool + "\xFF", std::string("-s 0 x.rom -quiet"), scene.exchange},
        std::tuple{scene.tool, std::string("-s 0 x.rom -quiet"), scene.exchange + "\xC0"}}) {
    EXPECT_FALSE(launcher.RunAndWait(path, parameters, folder).started);
    EXPECT_EQ(launcher.LastError(), static_cast<std::uint32_t>(ERROR_NO_UNICODE_TRANSLATION));
  }
  EXPECT_EQ(LogEntries(scene.log).size(), 1u) << "the tool did not run again";
}

// The program's save through the vendor tool, in a program folder named in Cyrillic, onto a
// target named in Chinese: the tool runs in the run's exchange folder and the file lands by its
// name.
TEST(UnicodeTool, TheProgramsSaveThroughTheToolReachesTheTarget) {
  ToolScene scene;
  ASSERT_TRUE(scene.ready);
  const std::string target = scene.dir.File(kChineseName.File());
  const auto host = platform::MakeHostPlatform();
  ui::ScriptedUi ui;
  commands::VendorToolFields fields;
  fields.atiToolPath = commands::AtiToolPathFor(scene.program + "\\");
  EXPECT_EQ(fields.atiToolPath, scene.tool);
  commands::VendorToolContext ctx{host->Seams(), ui, fields, 0x21B8};
  EXPECT_TRUE(commands::RunAtiSave(ctx, target));
  EXPECT_EQ(ReadWide(target), "card bios");
}

TEST(UnicodeSystem, TheMakersLibraryAndTheCurrentFolderInFoldersOfAnyName) {
  platform::PrivateFolder dir("rz-system-names-");
  const std::string program = dir.File(kFirmwareFolder);
  ASSERT_TRUE(MakeFolderWide(program));
  ASSERT_TRUE(::CopyFileW(SystemWide(OsVersionStandinPath()).c_str(),
                          SystemWide(program + "\\" + platform::kMakerLibraryName).c_str(), TRUE));
  ScopedEnvironment answer("RZ_STANDIN_OSVER", "20070002");
  platform::WindowsSystem system({program + "\\", ""});
  EXPECT_EQ(system.GetOSVer(), 0x20070002u);

  const std::string before = system.GetCurrentDirectory();
  const std::string current = dir.File(kChineseName.stem);
  ASSERT_TRUE(MakeFolderWide(current));
  EXPECT_TRUE(system.SetCurrentDirectory(current));
  EXPECT_EQ(system.GetCurrentDirectory(), current);
  EXPECT_FALSE(system.SetCurrentDirectory(current + "\xFF"));
  EXPECT_EQ(system.GetCurrentDirectory(), current);
  EXPECT_TRUE(system.SetCurrentDirectory(before));
}

TEST(UnicodeShell, APathThatIsNotUtf8OpensNothing) {
  platform::WindowsShellOpen shell;
  shell.Open("C:\\HELP\xE9.CHM");
  EXPECT_EQ(shell.LastResult(), static_cast<std::uintptr_t>(SE_ERR_FNF));
}

TEST(UnicodeRegistryOnMachine, KeyNamesAndTextsComeInUtf8) {
  RegistryScene scene({"SOFTWARE\\rzflash-tests"});
  const std::string parent = "SOFTWARE\\rzflash-tests\\names";
  const std::string child = parent + "\\" + kChineseName.stem;
  HKEY raw = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, SystemWide(child).c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &raw, nullptr),
            ERROR_SUCCESS);
  const platform::win::OwnedKey key(raw);
  const std::wstring text = SystemWide(kCyrillicName.stem + " 8.542");
  ASSERT_EQ(::RegSetValueExW(key.get(), SystemWide(kAccentedName.stem).c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  platform::WindowsRegistry registry;
  ASSERT_TRUE(registry.OpenKey(parent));
  EXPECT_EQ(registry.GetKeyNames(), std::vector<std::string>{kChineseName.stem});
  ASSERT_TRUE(registry.OpenKey(child));
  EXPECT_TRUE(registry.ValueExists(kAccentedName.stem));
  EXPECT_EQ(registry.ReadString(kAccentedName.stem), kCyrillicName.stem + " 8.542");
  EXPECT_FALSE(registry.ValueExists("caf\xE9"));
  EXPECT_FALSE(registry.OpenKey(parent + "\\\xE6\x98"));
}

// The driver file beside a program in a folder named in Cyrillic: the service holds its path
// exactly; a path that is not UTF-8 makes no service at all.
TEST(UnicodeServiceOnMachine, TheDriverFilesPathIsRegisteredAsItIs) {
  constexpr const char* kName = "rzflash-names-test";
  platform::WindowsServiceControl services;
  const auto manager = services.OpenManager(SC_MANAGER_ALL_ACCESS);
  ASSERT_NE(manager, platform::kNullService) << services.LastError();
  if (const auto stray = services.OpenService(manager, kName, platform::kServiceAllAccess)) {
    services.DeleteService(stray);
    services.CloseServiceHandle(stray);
  }
  platform::ServiceParams params;
  params.name = kName;
  params.displayName = kName;
  params.binaryPath = "C:\\" + kFirmwareFolder + "\\" + kCyrillicName.stem + "\\ZPCIDrv64.sys";
  const auto service = services.CreateService(manager, params);
  ASSERT_NE(service, platform::kNullService) << services.LastError();
  {
    const platform::win::OwnedService directManager(
        ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    const platform::win::OwnedService direct(
        ::OpenServiceW(directManager.get(), L"rzflash-names-test", SERVICE_QUERY_CONFIG));
    ASSERT_TRUE(direct);
    std::vector<std::uint8_t> buffer(8192);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    DWORD needed = 0;
    ASSERT_TRUE(::QueryServiceConfigW(direct.get(), config, static_cast<DWORD>(buffer.size()),
                                      &needed));
    EXPECT_EQ(std::wstring(config->lpBinaryPathName), SystemWide(params.binaryPath));
  }
  EXPECT_TRUE(services.DeleteService(service));
  services.CloseServiceHandle(service);

  params.binaryPath = "C:\\caf\xE9\\ZPCIDrv64.sys";
  EXPECT_EQ(services.CreateService(manager, params), platform::kNullService);
  EXPECT_EQ(services.LastError(), static_cast<std::uint32_t>(ERROR_NO_UNICODE_TRANSLATION));
  EXPECT_EQ(services.OpenService(manager, kName, platform::kServiceAllAccess),
            platform::kNullService);
  services.CloseServiceHandle(manager);
}

}  // namespace
}  // namespace rz::test
