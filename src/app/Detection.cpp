// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Detection.h"

#include <algorithm>
#include <cctype>

#include "app/Program.h"
#include "bios/BiosFileChecks.h"
#include "bios/BiosIdentity.h"
#include "bios/ImageVersion.h"
#include "commands/AdapterListing.h"
#include "commands/EepromLabels.h"
#include "commands/RecoverCommand.h"
#include "eeprom/Identify.h"
#include "eeprom/Signature.h"
#include "hw/PciConfig.h"
#include "hw/RecoveryScan.h"

namespace rz::app {

namespace {

constexpr std::uint16_t kNewLayoutBlocks[] = {0x0190, 0x0400, 0x0420, 0x0610, 0x06E0, 0x0620,
                                              0x0600, 0x0640, 0x0650, 0x05E0, 0x0A60, 0x0A20};
constexpr std::uint16_t kFirstSupportedAtiDevice = 0x8000;

// The label shows the info text without trailing blanks and control characters.
std::string TrimRight(std::string s) {
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.pop_back();
  return s;
}

void DetectAtiCard(Program& p, const hw::PciAdapter& adapter0) {
  auto& ui = p.GetUi();
  auto& state = p.state;
  auto eeprom = p.Eeprom();
  state.cardNumber = eeprom::ReadCardNumber(eeprom, adapter0.bus, adapter0.device);
  auto commands = p.Commands();
  auto tool = commands.VendorTool();
  const bool fresh = commands::RunAtiBackup(tool, p.programFolder);
  const std::string& backup = state.vendorTool.atiImageFile;
  // Without a backup the tool wrote now there is nothing to describe; an old file is never read.
  if (fresh && bios::ReadImageVersion(p.Seams().files, backup, p.modelText, state.card))
    ui.SetLabel(ui::Label::BiosVersion, TrimRight(state.card.BiosInfoText));
  std::int64_t size = bios::kSizeOpenFailed;
  state.sizeText.clear();
  if (fresh) size = bios::GetImageSizeText(p.Seams().files, backup, state.sizeText);
  if (size != 0) ui.SetLabel(ui::Label::EepromSize, state.sizeText);
  // A card whose BIOS does not check out (a flash stopped part-way) may take any version later.
  std::uint8_t sum = 0;
  state.cardImageIntact =
      !fresh || (bios::ImageChecksum(p.Seams().files, backup, sum) == bios::ChecksumStatus::Summed &&
                 sum == 0);
  commands::RemoveExchangeFile(tool, commands::kAtiBackupFile);
}

// `recovering`: the card lost its BIOS, which the person knows; a chip without the maker's BIOS
// is then no question, and the safety backup gets a name of its own when the chip names none.
bool DetectNvidiaCard(Program& p, bool recovering) {
  auto& ui = p.GetUi();
  auto& state = p.state;
  auto& card = state.card;
  DetectNvidiaFamily(p);
  config::LoadAsicTable(p.asics, p.programFolder, p.Seams().files, ui);
  auto eeprom = p.Eeprom();
  hw::PciAdapter& adapter0 = p.adapters.adapters[0];
  state.cardNumber = eeprom::ReadCardNumber(eeprom, adapter0.bus, adapter0.device);
  adapter0.cardNumber = state.cardNumber;

  const bios::SignatureBlock* block = nullptr;
  if (eeprom::GetSignatureBlock(eeprom, 0, block) != 0) block = nullptr;
  // The label shows the version in both kinds of BIOS: a block's version word (with its suffix)
  // in the form the flash step uses, a model text's version characters.
  std::string infoText;
  if (bios::ReadCardIdentity(block, p.modelText, card, infoText) == bios::IdentitySource::None) {
    if (!recovering &&
        !ui.MessageBox("Caution", kNoMakerBiosText, ui::Buttons::YesNo, ui::Icon::None))
      return false;
    state.flashMode = commands::kFlashModeNoMakerBios;
    infoText = bios::RecordInfoText(card.CardModelName, card.Version);
  }

  eeprom::EepromIdentity identity;
  std::uint32_t imageLength = 0;
  const std::uint32_t r = eeprom::GetEepromInfo(eeprom, 0, identity, imageLength);
  state.lastEepromResult = r;
  state.eepromIdentity = identity;
  const std::string sizeText = commands::EepromSizeText(identity, imageLength);
  const std::string nameText = commands::EepromNameText(identity);
  card.BiosInfoText = infoText;
  card.BackupFileName = recovering && card.CardModelName.empty()
                            ? std::string(kRecoveryBackupName)
                            : bios::MakeBackupFileName(card.CardModelName, card.VersionWord);
  ui.SetLabel(ui::Label::BiosVersion, r == 0 ? card.BiosInfoText : "");
  ui.SetLabel(ui::Label::EepromName, r == 0 ? nameText : "");
  ui.SetLabel(ui::Label::EepromSize, r == 0 ? sizeText : "");
  state.startDirectory[0] = p.Seams().system.GetCurrentDirectory();
  state.startDirectory[1] = state.startDirectory[0];
  return true;
}

}  // namespace

bool IsNewGpioLayoutId(std::uint16_t deviceId) {
  return std::any_of(std::begin(kNewLayoutBlocks), std::end(kNewLayoutBlocks),
                     [&](std::uint16_t base) { return deviceId >= base && deviceId <= base + 0xF; });
}

void SetCardVendor(Program& p) {
  const std::uint16_t vendor = p.adapters.count > 0 ? p.adapters.adapters[0].VendorId() : 0;
  p.state.cardVendor = (vendor == hw::kVendorAti || vendor == hw::kVendorNvidia) ? vendor : 0;
}

void DetectNvidiaFamily(Program& p) {
  // The layout is taken from the card being worked on (adapter 0), never from another display
  // device that happens to come first on the bus, whose layout could drive the wrong register.
  if (p.adapters.count > 0 && IsNewGpioLayoutId(p.adapters.adapters[0].DeviceId()))
    p.romWindow.newGpioLayout = true;
}

bool DetectCard(Program& p) {
  hw::ScanDisplayAdapters(p.io, p.adapters);
  return DetectScannedCard(p);
}

bool DetectChosenCard(Program& p, const std::optional<BusAddress>& named, Choosing how,
                      AdapterChoice& choice) {
  hw::ScanDisplayAdapters(p.io, p.adapters);
  choice = ChooseAdapter(p.adapters, named, how);
  if (choice.refusal) return false;
  p.adapters = choice.adapters;
  return DetectScannedCard(p);
}

bool DetectRecoveryCard(Program& p, const std::optional<BusAddress>& named,
                        AdapterChoice& choice) {
  config::LoadAsicTable(p.asics, p.programFolder, p.Seams().files, p.GetUi());
  hw::ScanAdaptersNeedingRecovery(p.io, commands::NvidiaChipsOf(p.asics), p.adapters);
  if (p.adapters.count == 0) {
    choice = AdapterChoice{p.adapters, std::string(commands::kNoRecoveryCardText), false};
    return false;
  }
  choice = ChooseAdapter(p.adapters, named, Choosing::NamedWhenSeveral);
  if (choice.refusal) return false;
  p.adapters = choice.adapters;
  SetCardVendor(p);
  return DetectRecoveringCard(p);
}

bool DetectRecoveringCard(Program& p) { return DetectNvidiaCard(p, true); }

bool DetectScannedCard(Program& p) {
  auto& ui = p.GetUi();
  if (p.adapters.count == 0)
    ui.MessageBox("Error", kNoCardText, ui::Buttons::Ok, ui::Icon::None);
  SetCardVendor(p);
  if (p.state.cardVendor == hw::kVendorAti) {
    const hw::PciAdapter adapter0 = p.adapters.adapters[0];
    if (adapter0.DeviceId() < kFirstSupportedAtiDevice) {
      ui.ShowMessage(kUnsupportedSeriesText);
      return false;
    }
    DetectAtiCard(p, adapter0);
    return true;
  }
  if (p.state.cardVendor == hw::kVendorNvidia) return DetectNvidiaCard(p, false);
  return true;
}

}  // namespace rz::app
