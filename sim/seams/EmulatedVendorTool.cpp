// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/seams/EmulatedVendorTool.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/Utf8Path.h"

namespace rz::sim {

namespace {

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// A decimal adapter number; -1 when the text is not one.
long AdapterNumber(const std::string& text) {
  if (text.empty() || text.size() > 3) return -1;
  if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return -1;
  return std::stol(text);
}

}  // namespace

EmulatedVendorTool::EmulatedVendorTool(VendorToolBehaviour behaviour, std::string programFolder,
                                       EmulatedSystem& system, std::vector<AtiCard*> cards)
    : behaviour_(behaviour),
      toolPath_(std::move(programFolder) + kEmulatedToolRelativePath),
      system_(system),
      cards_(std::move(cards)) {}

void EmulatedVendorTool::SpendRunTime(std::uint32_t seconds, const platform::WaitWatch& watch) {
  const std::uint64_t total = std::uint64_t{seconds} * 1000;
  std::uint64_t waited = 0;
  while (waited < total) {
    std::uint64_t step = total - waited;
    if (watch.Active()) step = std::min<std::uint64_t>(step, watch.intervalMs - waited % watch.intervalMs);
    system_.Sleep(static_cast<std::uint32_t>(step));
    waited += step;
    // The watch hears of a whole interval waited, unless the tool ended at that moment.
    if (watch.Active() && waited < total && waited % watch.intervalMs == 0) watch.onInterval(waited);
  }
}

platform::LaunchResult EmulatedVendorTool::Run(const std::string& path,
                                               const std::string& parameters,
                                               const std::string& folder,
                                               const platform::WaitWatch& watch) {
  std::vector<std::string> words = Words(parameters);
  const ToolOutcome outcome = behaviour_.For(launches_++, !words.empty() && words[0] == "-p");
  std::error_code ec;
  if (outcome.mode == ToolOutcome::Mode::Missing || path != toolPath_ ||
      !std::filesystem::is_regular_file(PathFromUtf8(toolPath_), ec))
    return {false, -1};
  SpendRunTime(outcome.runSeconds, watch);
  if (outcome.mode == ToolOutcome::Mode::Fails) return {true, kToolExitFailed};
  if (outcome.mode == ToolOutcome::Mode::Silent) return {true, kToolExitOk};

  const auto quiet = std::count(words.begin(), words.end(), "-quiet");
  if (quiet > 1) return {true, kToolExitBadCommand};
  words.erase(std::remove(words.begin(), words.end(), "-quiet"), words.end());

  const bool save = words.size() == 3 && words[0] == "-s";
  const bool program = words.size() == 4 && words[0] == "-p" && words[3] == "-f";
  if (!save && !program) return {true, kToolExitBadCommand};
  const long n = AdapterNumber(words[1]);
  if (n < 0) return {true, kToolExitBadCommand};
  if (static_cast<std::size_t>(n) >= cards_.size()) return {true, kToolExitFailed};
  AtiCard& card = *cards_[static_cast<std::size_t>(n)];
  const std::string file = folder.empty() || PathFromUtf8(words[2]).is_absolute()
                               ? system_.Resolve(words[2])
                               : Utf8FromPath(PathFromUtf8(folder) / PathFromUtf8(words[2]));
  const bool garble = outcome.mode == ToolOutcome::Mode::Garbles;
  const int status = save ? Save(card, file, garble) : Program(card, file, garble);
  return {true, status == kToolExitOk ? outcome.exitCode : status};
}

namespace {
void InvertMiddleByte(std::vector<std::uint8_t>& bytes) {
  if (!bytes.empty()) bytes[bytes.size() / 2] ^= 0xFF;
}
}  // namespace

int EmulatedVendorTool::Save(AtiCard& card, const std::string& file, bool garble) {
  std::ofstream out(PathFromUtf8(file), std::ios::binary | std::ios::trunc);
  std::vector<std::uint8_t> bytes = card.Eeprom();
  if (garble) InvertMiddleByte(bytes);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return out ? kToolExitOk : kToolExitFailed;
}

int EmulatedVendorTool::Program(AtiCard& card, const std::string& file, bool garble) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(PathFromUtf8(file), ec)) return kToolExitFailed;
  std::ifstream in(PathFromUtf8(file), std::ios::binary);
  if (!in) return kToolExitFailed;
  // One byte more than the EEPROM holds is enough to refuse a file that does not fit.
  std::vector<std::uint8_t> image(card.Eeprom().size() + 1);
  in.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(image.size()));
  image.resize(static_cast<std::size_t>(in.gcount()));
  if (garble) InvertMiddleByte(image);
  return card.Program(image) ? kToolExitOk : kToolExitFailed;
}

}  // namespace rz::sim
