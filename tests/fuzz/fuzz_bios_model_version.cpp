// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the model-text parsers: any text gives a model name within its field, one-character
// version fields and at most two digits; a text without "/" and "F" changes nothing.
#include <string>

#include "bios/BiosVersion.h"
#include "bios/VersionCompare.h"
#include "FuzzBios.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rz;
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string model = "unchanged";
  bios::BiosVersion v;
  bios::ParseModelVersion(text, model, v);
  fuzz::Require(model.size() <= bios::kCardModelNameMax);
  fuzz::Require(v.DigitCount <= 2 && fuzz::FieldsAreCharacters(v));
  const std::string visible = text.substr(0, text.find('\0'));
  if (visible.find('/') == std::string::npos && visible.find('F') == std::string::npos)
    fuzz::Require(model == "unchanged" && v == bios::BiosVersion{});

  for (bool fForm : {false, true}) {
    const auto source = bios::ParseFileVersion(text, fForm);
    fuzz::Require(source.record.DigitCount <= 2 && fuzz::FieldsAreCharacters(source.record));
    fuzz::Require(source.record.Separator.empty());
    bios::VersionSource card;
    card.record = v;
    const auto outcome = bios::CompareVersions(source, card);
    if (source.malformed) fuzz::Require(outcome == bios::VersionOutcome::Malformed);
    fuzz::g_sink = fuzz::g_sink + static_cast<std::uint32_t>(outcome);
  }
  fuzz::Sink(model);
  return 0;
}
