// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated chips, one row per part. Ids follow the program's chip catalogue and code table;
// sizes are the parts' own, from their data sheets (where the code table gives another size, the
// part is emulated as it really is: PM25LV512 64 KiB, M25P10 128 KiB); timings come from the data
// sheets too,
// rounded ("typ" = typical, "max" = worst case; values marked "approx." are estimates for parts whose
// figures vary between revisions).
#include <algorithm>
#include <cctype>

#include "sim/devices/ChipModel.h"
#include "sim/devices/VirtualClock.h"

namespace rz::sim {

namespace {

constexpr std::uint64_t us = kMicrosecond;
constexpr std::uint64_t ms = kMillisecond;

// The fields every row has: name, ids, size, interface and family.
ChipModel Part(std::string key, std::uint8_t m, std::uint8_t d, std::uint32_t size,
               ChipInterface kind, ChipFamily family) {
  ChipModel c;
  c.key = std::move(key);
  c.manufacturerId = m;
  c.deviceId = d;
  c.size = size;
  c.interface = kind;
  c.family = family;
  return c;
}

// Parallel part with 128-byte page write (software data protected: AA/55/A0 then byte loads).
ChipModel PageWrite(std::string key, std::uint8_t m, std::uint8_t d, std::uint32_t size,
                    std::uint64_t writeCycle, std::uint64_t loadWindow, std::uint64_t erase) {
  ChipModel c = Part(std::move(key), m, d, size, ChipInterface::Parallel, ChipFamily::JedecPageWrite);
  c.pageSize = 128;
  c.timings.pageWriteNs = writeCycle;
  c.timings.pageLoadWindowNs = loadWindow;
  c.timings.chipEraseNs = erase;
  return c;
}

// Parallel part with single-byte program and data polling.
ChipModel ByteProgram(std::string key, std::uint8_t m, std::uint8_t d, std::uint32_t size,
                      std::uint64_t byteTime, std::uint64_t erase, std::uint32_t mask = 0x7FFF) {
  ChipModel c =
      Part(std::move(key), m, d, size, ChipInterface::Parallel, ChipFamily::JedecByteProgram);
  c.pageSize = 1;
  c.commandAddressMask = mask;
  c.timings.byteProgramNs = byteTime;
  c.timings.chipEraseNs = erase;
  return c;
}

ChipModel Serial(std::string key, std::uint8_t m, std::uint8_t d, std::uint32_t size,
                 std::uint32_t page, std::vector<std::uint8_t> erase, ChipTimings t, ChipQuirks q) {
  ChipModel c = Part(std::move(key), m, d, size, ChipInterface::Spi,
                     q.byteProgram10 ? ChipFamily::Spi45 : ChipFamily::Spi25);
  c.pageSize = page;
  c.eraseOpcodes = std::move(erase);
  c.timings = t;
  c.quirks = q;
  return c;
}

IdReply Plain(std::vector<std::uint8_t> b) { return IdReply{std::move(b), false, false, false}; }
IdReply Addressed(std::uint8_t m, std::uint8_t d) { return IdReply{{m, d}, true, true, false}; }
IdReply AddressedLate(std::uint8_t m, std::uint8_t d) { return IdReply{{m, d}, true, true, true}; }
IdReply Signature(std::uint8_t d) { return IdReply{{d}, true, true, false}; }

std::vector<ChipModel> BuildTable() {
  std::vector<ChipModel> t;
  // SST 29EE/29LE/29VE: page write 5 ms typ (10 ms max); byte-load time-out 100-200 us; chip
  // erase 20 ms max.
  t.push_back(PageWrite("SST 29EE512", 0xBF, 0x5D, 0x10000, 5 * ms, 150 * us, 20 * ms));
  t.push_back(PageWrite("SST 29LE/VE512", 0xBF, 0x3D, 0x10000, 5 * ms, 150 * us, 20 * ms));
  t.push_back(PageWrite("SST 29EE010", 0xBF, 0x07, 0x20000, 5 * ms, 150 * us, 20 * ms));
  t.push_back(PageWrite("SST 29LE/VE010", 0xBF, 0x08, 0x20000, 5 * ms, 150 * us, 20 * ms));
  // SST 39VF/39SF: byte program 14 us typ, 20 us max; chip erase 70 ms typ, 100 ms max.
  t.push_back(ByteProgram("SST 39VF512", 0xBF, 0xD4, 0x10000, 20 * us, 100 * ms));
  t.push_back(ByteProgram("SST 39VF010", 0xBF, 0xD5, 0x20000, 20 * us, 100 * ms));
  t.push_back(ByteProgram("SST 39SF010", 0xBF, 0xB5, 0x20000, 20 * us, 100 * ms));
  // Winbond W29C011A / W29EE011: page write 10 ms max, byte-load time-out 200 us max; chip erase
  // 50 ms (approx.).
  t.push_back(PageWrite("WINBOND W29C011A", 0xDA, 0xC1, 0x20000, 10 * ms, 150 * us, 50 * ms));
  t.push_back(PageWrite("WINBOND W29EE011", 0xDA, 0xC1, 0x20000, 10 * ms, 150 * us, 50 * ms));
  // Winbond W39L010: byte program 35 us typ, chip erase 100 ms (approx.).
  t.push_back(ByteProgram("WINBOND W39L010P", 0xDA, 0x31, 0x20000, 35 * us, 100 * ms));
  // AMIC A290011 (29F010 class): byte program 10 us typ, chip erase 1 s typ (approx.).
  t.push_back(ByteProgram("AMIC A290011", 0x37, 0xA1, 0x20000, 10 * us, 1000 * ms));
  // Atmel AT29C/29LV: page write cycle 10 ms max, byte-load cycle 150 us max; chip erase 20 ms.
  t.push_back(PageWrite("ATMEL 29C512", 0x1F, 0x5D, 0x10000, 10 * ms, 150 * us, 20 * ms));
  t.push_back(PageWrite("ATMEL 29LV512", 0x1F, 0x3D, 0x10000, 10 * ms, 150 * us, 20 * ms));
  t.push_back(PageWrite("ATMEL 29LV/BV010A", 0x1F, 0x25, 0x20000, 10 * ms, 150 * us, 20 * ms));
  // Atmel AT49F: byte program 50 us typ; chip erase 10 s (the "fast erase" figure of the parts).
  t.push_back(ByteProgram("ATMEL 49F512", 0x1F, 0x03, 0x10000, 50 * us, 10000 * ms));
  t.push_back(ByteProgram("ATMEL 49F001", 0x1F, 0x05, 0x20000, 50 * us, 10000 * ms));
  t.push_back(ByteProgram("ATMEL 49F001T", 0x1F, 0x04, 0x20000, 50 * us, 10000 * ms));
  t.push_back(ByteProgram("ATMEL 49F010", 0x1F, 0x10, 0x20000, 50 * us, 10000 * ms));
  // AMD 29LV0x0: byte program 9 us typ; about 0.7 s per 16 KiB sector, chip erase ~5 s (approx.).
  // The parts decode A0-A10 only for command cycles (0x555 / 0x2AA).
  t.push_back(ByteProgram("AMD 29LV010", 0x01, 0x6E, 0x20000, 9 * us, 5000 * ms, 0x7FF));
  t.push_back(ByteProgram("AMD 29LV001T", 0x01, 0xED, 0x20000, 9 * us, 5000 * ms, 0x7FF));
  t.push_back(ByteProgram("AMD 29LV001B", 0x01, 0x6D, 0x20000, 9 * us, 5000 * ms, 0x7FF));
  // PMC Pm39LV010: byte program 10 us typ, chip erase 60 ms typ (approx.).
  t.push_back(ByteProgram("PMC Pm39LV010R", 0x9D, 0x1C, 0x20000, 10 * us, 60 * ms));

  // SST 25VF512/010: 0x02 programs one byte, AAI 0xAF; byte program 20 us max, chip erase (0x60
  // only on these parts) 100 ms max; the status register is volatile (no busy time) and powers up
  // with both BP bits set. Read-ID 0xAB / 0x90 answer BF,id (A0 = 1: id first), repeating.
  {
    ChipTimings tm{.byteProgramNs = 20 * us, .pageProgramNs = 20 * us, .chipEraseNs = 100 * ms};
    ChipQuirks q{.blockProtectBits = 2, .powerUpProtected = true, .statusWriteByEwsr = true,
                 .autoAddressIncrement = true};
    struct Part {
      const char* key;
      std::uint8_t deviceId;
      std::uint32_t size;
    };
    for (const Part& p : {Part{"SST 25VF512", 0x48, 0x10000}, Part{"SST 25VF010", 0x49, 0x20000}}) {
      auto c = Serial(p.key, 0xBF, p.deviceId, p.size, 1, {0x60}, tm, q);
      c.replyAB = Addressed(0xBF, c.deviceId);
      c.reply90 = Addressed(0xBF, c.deviceId);
      t.push_back(c);
    }
  }
  // PMC Pm25LV512/010: page program 1.5 ms typ, chip erase 0xC7/0x60 100 ms typ, status write
  // 15 ms (approx.). The 512 part holds 512 Kbit (the code table gives it 0x20000 bytes).
  // Their BP bits are non-volatile and shipped clear: they start unprotected unless a scenario
  // says the chip was left protected (`block_protect`).
  // The 512 answers RDID 0xAB; the 010 only the 0x90 read, one bit late.
  {
    ChipTimings tm{.pageProgramNs = 1500 * us, .statusWriteNs = 15 * ms, .chipEraseNs = 100 * ms};
    ChipQuirks q{.blockProtectBits = 2};
    auto a = Serial("PMC PM25LV512", 0x9D, 0x7B, 0x10000, 256, {0xC7, 0x60}, tm, q);
    a.replyAB = Addressed(0x9D, 0x7B);
    t.push_back(a);
    auto b = Serial("PMC PM25LV010", 0x9D, 0x7C, 0x20000, 256, {0xC7, 0x60}, tm, q);
    b.reply90 = AddressedLate(0x9D, 0x7C);
    t.push_back(b);
  }
  // ST M25P05/10: 128-byte pages, page program 1.4 ms typ, bulk erase 0xC7 2-3 s typ, status
  // write 15 ms max. 0xAB answers only the electronic signature (the device id, repeating), so the
  // manufacturer becomes 0x20. The M25P05 holds 512 Kbit, the M25P10 1 Mbit (the code table gives
  // it 0x10000 bytes). Non-volatile BP bits, shipped clear.
  {
    ChipQuirks q{.blockProtectBits = 2};
    t.push_back(Serial("ST M25P05", 0x20, 0x05, 0x10000, 128, {0xC7},
                       {.pageProgramNs = 1400 * us, .statusWriteNs = 15 * ms,
                        .chipEraseNs = 2000 * ms},
                       q));
    t.back().replyAB = Signature(0x05);
    t.push_back(Serial("ST M25P10", 0x20, 0x10, 0x20000, 128, {0xC7},
                       {.pageProgramNs = 1400 * us, .statusWriteNs = 15 * ms,
                        .chipEraseNs = 3000 * ms},
                       q));
    t.back().replyAB = Signature(0x10);
  }
  // Atmel AT25F512/1024: RDID 0x15 answers 1F,id; chip erase 0x62 only, about 2 s; page program
  // 2.5 ms typ (approx.); status write 15 ms. The 512 has one BP bit, the 1024 two. The 512 holds
  // 512 Kbit (its catalogue text says 128Kx8). Non-volatile BP bits, shipped clear.
  t.push_back(Serial("AT AT25F512", 0x1F, 0x40, 0x10000, 128, {0x62},
                     {.pageProgramNs = 2500 * us, .statusWriteNs = 15 * ms, .chipEraseNs = 2000 * ms},
                     {.blockProtectBits = 1}));
  t.back().reply15 = Plain({0x1F, 0x40});
  t.push_back(Serial("AT AT25F1024", 0x1F, 0x60, 0x20000, 256, {0x62},
                     {.pageProgramNs = 2500 * us, .statusWriteNs = 15 * ms, .chipEraseNs = 2000 * ms},
                     {.blockProtectBits = 2}));
  t.back().reply15 = Plain({0x1F, 0x60});
  // SST 45LF010: byte program 0x10 (no WREN), 20 us; chip erase 0x60 A2 A1 A0 0xD0, 70 ms typ;
  // ids only by the 0x90 read, one bit late. No block-protect bits: nothing to protect it by.
  t.push_back(Serial("SST 45LF010", 0xBF, 0x42, 0x20000, 1, {0x60},
                     {.byteProgramNs = 20 * us, .chipEraseNs = 70 * ms},
                     {.byteProgram10 = true, .eraseNeedsConfirm = true}));
  t.back().reply90 = AddressedLate(0xBF, 0x42);
  // ICE 25P05: RDID 0x15 answers with continuation codes 7F,7F then 5E,01; page program 1.5 ms,
  // chip erase 0xC7 1 s, status write 15 ms (approx.). Non-volatile BP bits, shipped clear.
  t.push_back(Serial("ICE 25P05", 0x5E, 0x01, 0x10000, 256, {0xC7},
                     {.pageProgramNs = 1500 * us, .statusWriteNs = 15 * ms, .chipEraseNs = 1000 * ms},
                     {.blockProtectBits = 2}));
  t.back().reply15 = Plain({0x7F, 0x7F, 0x5E, 0x01});

  // Atmel 0x1F/0x17: a 49F-style byte-program part without a catalogue row. Device id 0x17 is the
  // one 1-Mbit 49F010-class parts answer, so it gets 0x20000 bytes like the other 128K 49F parts.
  t.push_back(ByteProgram("ATMEL 49F 0x17", 0x1F, 0x17, 0x20000, 50 * us, 10000 * ms));
  // Parts nobody knows.
  t.push_back(UnknownChipModel(0xC2, 0x99, ChipInterface::Parallel, 0x20000));
  t.back().key = "UNKNOWN PARALLEL";
  t.push_back(UnknownChipModel(0xC2, 0x99, ChipInterface::Spi, 0x20000));
  t.back().key = "UNKNOWN SPI";
  return t;
}

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

}  // namespace

ChipModel UnknownChipModel(std::uint8_t m, std::uint8_t d, ChipInterface interface,
                           std::uint32_t size) {
  if (interface == ChipInterface::Parallel) {
    auto c = ByteProgram("UNKNOWN", m, d, size, 20 * us, 100 * ms);
    return c;
  }
  // A generic 25-series part answering RDID 0xAB, with 256-byte pages.
  auto c = Serial("UNKNOWN", m, d, size, 256, {0xC7, 0x60},
                  {.pageProgramNs = 1500 * us, .statusWriteNs = 15 * ms, .chipEraseNs = 100 * ms},
                  {.blockProtectBits = 2});
  c.replyAB = Addressed(m, d);
  return c;
}

const std::vector<ChipModel>& ChipModels() {
  static const std::vector<ChipModel> table = BuildTable();
  return table;
}

const ChipModel* FindChipModel(const std::string& key) {
  const std::string wanted = Upper(key);
  for (const auto& c : ChipModels())
    if (Upper(c.key) == wanted) return &c;
  return nullptr;
}

}  // namespace rz::sim
