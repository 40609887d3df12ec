// The chip programming algorithms selected by ChipCode (three parallel through the aperture, three
// serial over the bit-banged interface), the chip erase, and the serial status polling.
#pragma once
#include <cstdint>

#include "eeprom/EepromContext.h"

namespace rz::eeprom {

inline constexpr const char* kNotOnPageBoundary =
    "Call to program a buffer NOT on 128 byte boundary ... Aborting.";
inline constexpr const char* kSpiWaitExceeded =
    "Exceeded maximum wait time to program a single page";

enum class Algorithm { None, JedecPages, JedecBytes, SpiAai, Serial45, SpiPages };

struct AlgorithmChoice {
  Algorithm algorithm = Algorithm::None;
  std::uint8_t eraseOpcode = 0;  // ProgramSpiPages only
};
AlgorithmChoice AlgorithmFor(std::uint8_t chipCode);

// Bytes programmed; anything but count is a failure. Switches PROM access on and off itself.
std::uint32_t ProgramImage(EepromContext& ctx, std::uint8_t chipCode, const std::uint8_t* buffer,
                           std::uint32_t count);
bool EraseChip(EepromContext& ctx, std::uint8_t chipCode, bool force);
void WaitSpiReady(EepromContext& ctx, int first, int next);

std::uint32_t ProgramJedecPages(EepromContext& ctx, const std::uint8_t* buffer, std::uint32_t count);
std::uint32_t ProgramJedecBytes(EepromContext& ctx, const std::uint8_t* buffer, std::uint32_t count);
std::uint32_t ProgramSpiAai(EepromContext& ctx, const std::uint8_t* buffer, std::uint32_t count);
std::uint32_t ProgramSerial45(EepromContext& ctx, const std::uint8_t* buffer, std::uint32_t count);
std::uint32_t ProgramSpiPages(EepromContext& ctx, const std::uint8_t* buffer, std::uint32_t count,
                              std::uint8_t eraseOpcode);

}  // namespace rz::eeprom
