// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CardCommands.h"

#include <filesystem>

#include "app/ExitCodes.h"
#include "base/TrimText.h"
#include "base/Utf8Path.h"
#include "cli/CardProblem.h"
#include "cli/JsonWriter.h"
#include "cli/Reports.h"
#include "commands/AdapterListing.h"
#include "commands/FlashCommand.h"
#include "commands/RecoverCommand.h"
#include "hw/RecoveryScan.h"
#include "commands/SaveCommand.h"
#include "commands/StockBios.h"
#include "commands/VerifyCommand.h"
#include "config/AsicTable.h"
#include "eeprom/Signature.h"

namespace rz::cli {

void Say(std::FILE* to, const std::string& line) {
  std::fprintf(to, "%s\n", line.c_str());
  std::fflush(to);
}

std::string Absolute(const std::string& path) {
  return Utf8FromPath(std::filesystem::absolute(PathFromUtf8(path)));
}

namespace {

using app::kExitFailed;
using app::kExitOk;
using app::kExitUsage;

// The adapters as the `adapters` command lists them. Detection reads RZFLASH.CFG on the NVIDIA
// road only; on the others the listing reads it here, quietly, so that every command gives the
// same answer about an adapter.
std::vector<commands::AdapterListing> Adapters(app::Program& program) {
  if (program.asics.built) return commands::ListAdapters(program.adapters, program.asics);
  config::AsicTable table;
  config::ReadAsicTable(table, program.programFolder, program.Seams().files);
  return commands::ListAdapters(program.adapters, table);
}

// The `adapters` listing: the scan, and the cards that lost their BIOS (marked where the scan
// has them, added after it where it passed them by).
std::vector<commands::AdapterListing> AdaptersWithRecovery(app::Program& program) {
  auto listing = Adapters(program);
  hw::AdapterList needing;
  hw::ScanAdaptersNeedingRecovery(program.io, commands::NvidiaChipsOf(program.asics), needing);
  commands::AddAdaptersNeedingRecovery(listing, needing);
  return listing;
}

int Info(app::Program& program, TerminalUi& ui,
         const std::optional<std::string>& problem, RunEnd& end) {
  if (problem) {
    Say(stderr, "rzflash-cli: " + *problem);
    end.AddProblem(*problem);
  }
  if (auto* json = end.Json()) {
    const auto& card = program.state.card;
    WriteCardMembers(*json, Adapters(program));
    WriteOptional(*json, "bios_version", ui.Label(ui::Label::BiosVersion));
    const auto name = ui.Label(ui::Label::EepromName);
    WriteOptional(*json, "eeprom_name", name ? std::optional(TrimmedRight(*name)) : std::nullopt);
    WriteSizeOf(*json, "eeprom_size", ui.Label(ui::Label::EepromSize));
    json->Key("model_name").String(card.CardModelName);
    json->Key("backup_file_name").String(card.BackupFileName);
    // The number comes from the card's "$RZ" block; a card without one has none.
    json->Key("card_number");
    if (program.state.cardNumber == eeprom::kNoCardNumber)
      json->Null();
    else
      json->Number(program.state.cardNumber);
  }
  return problem ? kExitFailed : kExitOk;
}

int ListAdapters(app::Program& program, std::FILE* human, RunEnd& end) {
  const auto adapters = AdaptersWithRecovery(program);
  for (const auto& a : adapters) Say(human, AdapterLine(a));
  if (adapters.empty()) {
    const char* const none = "no display adapter of the maker or of ATI was found";
    Say(stderr, std::string("rzflash-cli: ") + none);
    end.AddProblem(none);
  }
  if (auto* json = end.Json()) WriteAdaptersJson(*json, adapters, program.asics.built);
  return adapters.empty() ? kExitFailed : kExitOk;
}

int Verify(const Options& o, app::Program& program, std::FILE* human,
           RunEnd& end) {
  auto ctx = program.Commands();
  const auto report = commands::VerifyCard(ctx, Absolute(o.file));
  Say(human, commands::VerifyText(report));
  if (const auto problem = VerifyProblem(report)) end.AddProblem(*problem);
  if (auto* json = end.Json()) {
    WriteCardMembers(*json, Adapters(program));
    WriteVerifyMembers(*json, o.file, report);
  }
  return report.status == commands::VerifyReport::Status::Match ? kExitOk : kExitFailed;
}

int Flash(const Options& o, app::Program& program, TerminalUi& ui) {
  auto ctx = program.Commands();
  // The terminal flashes what its command line names: FILE, or with --stock the stock BIOS. The
  // offer is shown answered that way and takes none of the --answer values.
  if (o.stock && !commands::HasStockBiosOffer(ctx.Adapter0().SubsystemId())) {
    Say(stderr, "rzflash-cli: this board has no stock BIOS; name the file to flash");
    return kExitFailed;
  }
  if (!o.stock) ui.SetDialogAnswer(Absolute(o.file));
  const auto stock = o.stock ? commands::StockOffer::Take : commands::StockOffer::Decline;
  return commands::btFlashClick(ctx, stock) == commands::FlashOutcome::Completed
             ? kExitOk
             : kExitFailed;
}

int Recover(const Options& o, app::Program& program) {
  auto ctx = program.Commands();
  return commands::RecoverCard(ctx, Absolute(o.file), app::AdapterSummary(ctx.Adapter0())) ==
                 commands::FlashOutcome::Completed
             ? kExitOk
             : kExitFailed;
}

}  // namespace

// Whether the command reached what it is for. `human` takes the command's own lines.
int RunCardCommand(const Options& o, app::Program& program, TerminalUi& ui,
               std::FILE* human, RunEnd& end) {
  auto ctx = program.Commands();
  const auto problem =
      DescribeCardProblem(program, o.command, ui.Label(ui::Label::BiosVersion).has_value());
  switch (o.command) {
    case Command::Info:
      return Info(program, ui, problem, end);
    case Command::Adapters:
      return ListAdapters(program, human, end);
    case Command::Verify:
      return Verify(o, program, human, end);
    case Command::Save:
    case Command::Recover:
    case Command::Flash: {
      int code = kExitFailed;
      if (o.command == Command::Recover) {
        code = Recover(o, program);
      } else if (o.command == Command::Flash) {
        code = Flash(o, program, ui);
      } else {
        ui.SetDialogAnswer(Absolute(o.file));
        code = commands::btSaveClick(ctx) ? kExitOk : kExitFailed;
        if (code != kExitOk && problem) Say(stderr, "rzflash-cli: nothing was saved: " + *problem);
      }
      if (auto* json = end.Json()) {
        auto listing = Adapters(program);
        // The card `recover` worked on is one that needed recovery when the run began.
        if (o.command == Command::Recover && !listing.empty()) listing.front().needsRecovery = true;
        WriteCardMembers(*json, listing);
        WriteKeptCopies(*json, ui.Kept());
      }
      return code;
    }
    default:
      return kExitUsage;
  }
}

}  // namespace rz::cli
