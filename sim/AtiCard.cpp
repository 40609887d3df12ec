#include "sim/AtiCard.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace rz::sim {

namespace fs = std::filesystem;

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
  if (persistPath_.empty()) return;
  std::ofstream out(persistPath_, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(eeprom_.data()),
            static_cast<std::streamsize>(eeprom_.size()));
}

std::unique_ptr<PciDevice> MakeAtiCard(const AdapterSpec& a, const ScenarioSpec& scenario,
                                       const PciIdentity& identity) {
  const nlohmann::json& e = a.eeprom;
  if (!e.is_null() && !e.is_object()) throw ScenarioError("an ATI eeprom must be an object");
  std::vector<std::uint8_t> bytes;
  std::string imagePath;
  if (e.is_object() && e.contains("image")) {
    if (!e.at("image").is_string()) throw ScenarioError("ATI eeprom image must be a file name");
    const fs::path p = e.at("image").get<std::string>();
    imagePath = (p.is_absolute() ? p : fs::path(scenario.baseDirectory) / p).string();
    std::ifstream in(imagePath, std::ios::binary);
    if (!in) throw ScenarioError("cannot read ATI eeprom image " + imagePath);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::size_t size = bytes.empty() ? kAtiDefaultEepromSize : bytes.size();
  if (e.is_object() && e.contains("size")) {
    const auto n = ParseNumber(e.at("size"), "eeprom size");
    if (n == 0 || n > 0x1000000) throw ScenarioError("ATI eeprom size out of range");
    size = static_cast<std::size_t>(n);
  }
  if (bytes.size() > size) throw ScenarioError("ATI eeprom image larger than its size");
  bytes.resize(size, 0xFF);
  const bool persist = e.is_object() && e.value("persist", false);
  if (persist && imagePath.empty()) throw ScenarioError("a persistent ATI eeprom needs an image file");
  return std::make_unique<AtiCard>(identity, std::move(bytes), persist ? imagePath : std::string());
}

}  // namespace rz::sim
