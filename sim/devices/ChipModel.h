// SPDX-License-Identifier: GPL-3.0-or-later
// One emulated flash chip as data: ids, size, interface, family, page size, id-read answers, erase
// opcodes, timings and quirks. The state machines (FlashChipJedec, FlashChipSpi) read these fields
// and never compare ids.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rz::sim {

enum class ChipInterface : std::uint8_t { Parallel, Spi };

enum class ChipFamily : std::uint8_t {
  JedecPageWrite,    // parallel, 128-byte page write that erases the page (29EE/29C style)
  JedecByteProgram,  // parallel, single-byte program with data polling, chip erase (39VF style)
  Spi25,             // serial 25-series: WREN, status register, page program or AAI, chip erase
  Spi45,             // serial 45-series: byte program 0x10, chip erase 0x60 .. 0xD0
};

// What a serial chip shifts out after an id command (0x15, 0xAB or 0x90). No bytes: the chip does
// not answer and the data line stays high (reads 0xFF).
struct IdReply {
  std::vector<std::uint8_t> bytes;
  bool addressed = false;      // after 3 address bytes; an odd A0 starts at bytes[1]
  bool repeat = false;         // the sequence repeats for as long as the master clocks
  bool lateByOneBit = false;   // the stream comes one clock late (a leading 0 bit)
};

// Busy times in nanoseconds of virtual time. Zero: the operation does not exist on the part.
struct ChipTimings {
  std::uint64_t byteProgramNs = 0;     // parallel byte program, SPI AAI / 0x10 byte program
  std::uint64_t pageWriteNs = 0;       // parallel page write cycle
  std::uint64_t pageLoadWindowNs = 0;  // parallel page write: longest gap between byte loads
  std::uint64_t pageProgramNs = 0;     // SPI page program 0x02
  std::uint64_t statusWriteNs = 0;     // SPI write status 0x01
  std::uint64_t chipEraseNs = 0;
};

struct ChipQuirks {
  std::uint8_t blockProtectBits = 0;   // number of BP bits in the status register (bit 2 up)
  bool powerUpProtected = false;       // all BP bits set at power-up
  bool statusWriteByEwsr = false;      // 0x50 (or 0x06) immediately before 0x01 enables it
  bool autoAddressIncrement = false;   // 0xAF program, status bit 6 shows the mode
  bool byteProgram10 = false;          // 0x10 A2 A1 A0 data: byte program without WREN
  bool eraseNeedsConfirm = false;      // erase opcode, 3 address bytes, then 0xD0
};

struct ChipModel {
  std::string key;  // the leading words of the catalogue name, e.g. "SST 39VF010"
  std::uint8_t manufacturerId = 0;
  std::uint8_t deviceId = 0;
  std::uint32_t size = 0;  // bytes, a power of two
  ChipInterface interface = ChipInterface::Parallel;
  ChipFamily family = ChipFamily::JedecByteProgram;
  std::uint32_t pageSize = 1;  // program page (SPI) or page-write buffer (parallel)
  // Parallel: command cycles compare (address AND mask) with 0x5555 / 0x2AAA AND mask.
  std::uint32_t commandAddressMask = 0x7FFF;
  IdReply reply15, replyAB, reply90;   // serial id answers
  std::vector<std::uint8_t> eraseOpcodes;  // serial chip erase opcodes honoured
  ChipTimings timings;
  ChipQuirks quirks;
  // The block-protect field the chip starts with when a scenario sets it (`block_protect`);
  // otherwise the part's own power-up state (quirks.powerUpProtected).
  std::optional<std::uint8_t> startBlockProtect;
};

// The table of every emulated chip (catalogue parts, the Atmel 0x1F/0x17 part, unknown parts).
const std::vector<ChipModel>& ChipModels();
// The model whose key equals `key` (letter case ignored); null when none.
const ChipModel* FindChipModel(const std::string& key);
// A chip with ids no catalogue knows, for the given interface and size.
ChipModel UnknownChipModel(std::uint8_t manufacturerId, std::uint8_t deviceId,
                           ChipInterface interface, std::uint32_t size);

}  // namespace rz::sim
