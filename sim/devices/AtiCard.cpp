// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/devices/AtiCard.h"

#include "sim/scenario/ImageFile.h"
#include "sim/scenario/ScenarioObject.h"

namespace rz::sim {

AtiCard::AtiCard(const PciIdentity& identity, std::vector<std::uint8_t> eeprom,
                 std::string persistPath)
    : PciDevice(identity), eeprom_(std::move(eeprom)), persistPath_(std::move(persistPath)) {}

bool AtiCard::Program(const std::vector<std::uint8_t>& image) {
  if (image.empty() || image.size() > eeprom_.size()) return false;
  std::copy(image.begin(), image.end(), eeprom_.begin());
  std::fill(eeprom_.begin() + static_cast<std::ptrdiff_t>(image.size()), eeprom_.end(), 0xFF);
  return true;
}

void AtiCard::Finish() {
  if (!persistPath_.empty()) WriteImageFile(persistPath_, eeprom_);
}

std::unique_ptr<PciDevice> MakeAtiCard(const AtiEeprom& e, const PciIdentity& identity) {
  std::vector<std::uint8_t> bytes;
  if (e.factoryImage && (e.imagePath.empty() || ImageFileMissing(e.imagePath))) {
    bytes = *e.factoryImage;
    if (e.size && bytes.size() > *e.size) bytes.resize(*e.size);
  } else if (!e.imagePath.empty()) {
    bytes = ReadImageFile(e.imagePath, e.size.value_or(kAtiMaxEepromSize), e.persist,
                          "ATI eeprom image");
  }
  bytes.resize(e.size.value_or(bytes.empty() ? kAtiDefaultEepromSize : bytes.size()), 0xFF);
  return std::make_unique<AtiCard>(identity, std::move(bytes),
                                   e.persist ? e.imagePath : std::string());
}

}  // namespace rz::sim
