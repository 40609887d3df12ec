#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes assets/RZFLASH.CFG: the NVIDIA graphics chips whose EEPROM the program handles itself."""
import pathlib

BLOCKS = [0x0190, 0x0400, 0x0420, 0x0610, 0x06E0, 0x0620, 0x0600, 0x0640, 0x0650, 0x05E0,
          0x0A60, 0x0A20]

HEADER = """\
; RZFLASH.CFG - NVIDIA graphics chips whose BIOS EEPROM RZFLASH reads and programs itself.
;
; The file lies beside the program and is read once at start, on NVIDIA cards only.
; One record per line. A line starting with ";" is a comment; blank lines are ignored.
; Numbers are hexadecimal (with or without "0x"); fields are separated by spaces.
; Separate the keyword from its fields with a space, not a tab.
;
; Record kinds:
;
;   asic_nv  <vendor> <device> <type> <promflag> <name>
;       vendor    PCI vendor id of the chip (10de for NVIDIA)
;       device    PCI device id of the chip; the card's device id is looked up here
;       type      1 = the chip is handled; any other value keeps the record out of the lookup
;       promflag  non-zero: two bits of card register 0xC040 (bits 28-29) are saved and
;                 cleared while the EEPROM is accessed, and restored afterwards
;       name      one word, at most 31 characters (for people; the program does not use it)
;
;   asic_nv2 <vendor> <device> <p2> <type> <p4> <p5> <p6> <p7> <p8> <promflag> <p10> <name>
;       the same chip description with all eleven numbers written out: vendor, device,
;       p2, type, p4, p5, p6, p7, p8, promflag, p10, then the name. p2, p4 to p8 and p10
;       are stored but not used; an asic_nv record sets them to 0 1 0 1 0 0 0.
;
; A record whose fields do not all read as numbers is ignored. When two records name the same
; device id, the first one in the file is used. Anything after the name on a line is ignored.
;
; Example (type 1, PROM flag 0):   asic_nv 10de 0191 1 0 NV_0191
; Same chip with the PROM flag:    asic_nv2 10de 0191 0 1 1 0 1 0 0 1 0 NV_0191
"""


def main() -> None:
    lines = [HEADER]
    for base in BLOCKS:
        lines.append(f"\n; device ids {base:04x} to {base + 15:04x}\n")
        for device in range(base, base + 16):
            lines.append(f"asic_nv 10de {device:04x} 1 0 NV_{device:04X}\n")
    out = pathlib.Path(__file__).resolve().parent.parent / "assets" / "RZFLASH.CFG"
    out.write_text("".join(lines), newline="\n")


if __name__ == "__main__":
    main()
