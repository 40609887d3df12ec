// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ChipCases.h"

#include <sstream>

#include "eeprom/ChipCatalogue.h"

namespace rz::test {

const std::vector<ChipCase>& AllChipCases() {
  static const std::vector<ChipCase> cases = {
      {1, 0, false, 0xBF, 0x5D},   {2, 1, false, 0xBF, 0x3D},   {3, 2, false, 0xBF, 0x07},
      {4, 3, false, 0xBF, 0x08},   {5, 4, false, 0xBF, 0xD4},   {6, 5, false, 0xBF, 0xD5},
      {7, 22, true, 0xBF, 0x48},   {8, 23, true, 0xBF, 0x49},   {9, 6, false, 0xBF, 0xB5},
      {10, 7, false, 0xDA, 0xC1},  {11, 9, false, 0xDA, 0x31},  {12, 21, false, 0x9D, 0x1C},
      {13, 24, true, 0x9D, 0x7B},  {14, 25, true, 0x9D, 0x7C},  {15, 26, true, 0x20, 0x05},
      {16, 27, true, 0x20, 0x10},  {17, 10, false, 0x37, 0xA1}, {18, 11, false, 0x1F, 0x5D},
      {19, 12, false, 0x1F, 0x3D}, {21, 14, false, 0x1F, 0x03}, {22, 15, false, 0x1F, 0x05},
      {23, 16, false, 0x1F, 0x04}, {24, -1, false, 0x1F, 0x17}, {25, 28, true, 0x1F, 0x40},
      {26, 29, true, 0x1F, 0x60},  {27, 18, false, 0x01, 0x6E}, {28, 19, false, 0x01, 0xED},
      {29, 20, false, 0x01, 0x6D}, {30, 30, true, 0xBF, 0x42},  {31, 31, true, 0x5E, 0x01},
  };
  return cases;
}

std::string LeadingWords(const char* name) {
  std::istringstream in(name);
  std::string a, b;
  in >> a >> b;
  return a + " " + b;
}

nlohmann::json ChipEeprom(const ChipCase& c, const std::string& image) {
  nlohmann::json e;
  if (c.row >= 0) {
    e["chip"] = LeadingWords(eeprom::ChipCatalogue()[static_cast<std::size_t>(c.row)].name);
  } else {
    e["ids"] = {c.manufacturer, c.device};
    e["interface"] = c.serial ? "spi" : "parallel";
    e["size"] = 0x20000;
  }
  if (!image.empty()) e["image"] = image;
  return e;
}

}  // namespace rz::test
