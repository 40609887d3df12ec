#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Turns rz_bench's JSON output into the Markdown tables of the README's Performance section.

    build/release/bench/rz_bench --benchmark_out=bench.json --benchmark_out_format=json
    python3 bench/perf_tables.py bench.json
"""
import json
import sys


CHIPS = {"sst29ee010": "SST 29EE010", "sst39vf010": "SST 39VF010", "sst25vf010": "SST 25VF010",
         "pm25lv010": "PMC PM25LV010", "at25f1024": "AT AT25F1024", "sst45lf010": "SST 45LF010"}


def load(path):
    with open(path) as f:
        data = json.load(f)
    rows = {}
    for b in data["benchmarks"]:
        name = b["name"]
        # Repeated runs: keep the median row under the plain name.
        if b.get("run_type") == "aggregate":
            if b.get("aggregate_name") != "median":
                continue
            name = b["run_name"]
        rows[name.split("/iterations")[0]] = b
    return data["context"], rows


def ms(b, key):
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
    return b[key] * scale


def main():
    context, rows = load(sys.argv[1])
    print(f"Machine: {context.get('num_cpus')} CPUs at {context.get('mhz_per_cpu')} MHz, "
          f"load average {', '.join(f'{x:.2f}' for x in context.get('load_avg', []))}\n")

    print("| Algorithm | Chip | Image | Emulated | erase / program / verify | "
          "Chip busy (table) | × chip | Port requests | Slept | Host wall | Host CPU |")
    print("|---|---|---|---|---|---|---|---|---|---|---|")
    for key, b in rows.items():
        if not key.startswith("BM_FullFlash/"):
            continue
        case = key.split("/")[1]
        algorithm, _, rest = case.partition("_")
        algorithm = {"jedec": "ProgramJedec", "spi": "ProgramSpi", "serial45": "ProgramSerial45"}[algorithm]
        parts = rest.split("_")
        if algorithm != "ProgramSerial45":
            algorithm += {"pages": "Pages", "bytes": "Bytes", "aai": "Aai"}[parts[0]]
            parts = parts[1:]
        chip = CHIPS.get(parts[0], parts[0])
        size = parts[-1]
        print(f"| {algorithm} | {chip} | {size[:-1]} KiB | {b['emulated_s']:.3f} s | "
              f"{b['erase_s']:.3f} / {b['program_s']:.3f} / {b['verify_s']:.3f} s | "
              f"{b['chip_busy_s']:.3f} s | {b['x_chip']:.2f} | {b['port_requests'] / 1e6:.3f} M | "
              f"{b['slept_s']:.3f} s | {ms(b, 'real_time'):.0f} ms | {ms(b, 'cpu_time'):.0f} ms |")

    print("\n| Flash job, 64 KiB | Emulated | Port requests | Slept | Host wall | Host CPU |")
    print("|---|---|---|---|---|---|")
    for key, b in rows.items():
        if key.startswith("BM_FlashJob64K/"):
            print(f"| {key.split('/')[1]} | {b['emulated_s']:.3f} s | {b['port_requests'] / 1e6:.3f} M | "
                  f"{b['slept_s']:.3f} s | {ms(b, 'real_time'):.0f} ms | {ms(b, 'cpu_time'):.0f} ms |")

    print("\n| Figure | Value |")
    print("|---|---|")
    scan = rows.get("BM_FullAdapterScan")
    if scan:
        print(f"| Adapter scan: driver requests per scan | {scan['requests_per_scan']:.0f} |")
        print(f"| Adapter scan: emulated time per scan | {scan['emulated_ms_per_scan']:.3f} ms |")
        print(f"| Adapter scan: host time per scan (wall / CPU) | {ms(scan, 'real_time'):.3f} / {ms(scan, 'cpu_time'):.3f} ms |")
        print(f"| Adapter scan: host ns per driver request (wall) | {scan['ns_per_request']:.1f} ns |")
    rb = rows.get("BM_ApertureReadBack128K")
    if rb:
        print(f"| Read-back 128 KiB: aperture reads | {rb['aperture_reads']:.0f} |")
        print(f"| Read-back 128 KiB: emulated bus time | {rb['emulated_ms']:.2f} ms |")
        print(f"| Read-back 128 KiB: host time (wall / CPU) | {ms(rb, 'real_time'):.2f} / {ms(rb, 'cpu_time'):.2f} ms |")
        print(f"| Read-back: host ns per image byte / per aperture read (CPU) | "
              f"{rb['host_ns_per_byte'] * 1e9:.1f} / {rb['host_ns_per_aperture_read'] * 1e9:.1f} ns |")
    for key, b in rows.items():
        if key.startswith("BM_IdentifySerial/"):
            print(f"| Identify {key.split('/')[1]}: port requests (delay writes) / emulated / host CPU | "
                  f"{b['port_requests']:.0f} ({b['delay_writes']:.0f}) / {b['emulated_ms']:.3f} ms / "
                  f"{ms(b, 'cpu_time') * 1e3:.1f} µs |")
    for key in ("BM_ApertureByteRead", "BM_SerialBit"):
        b = rows.get(key)
        if b:
            print(f"| {key[3:]}: host CPU per operation | {ms(b, 'cpu_time') * 1e6:.1f} ns |")
    for key, what in (("BM_DelayPortWrite/trace:0", "delay-port write, no trace"),
                      ("BM_DelayPortWrite/trace:1", "delay-port write, traced"),
                      ("BM_RegisterReadWrite", "register read or write")):
        b = rows.get(key)
        if b:
            print(f"| Driver request, {what}: host CPU per request | "
                  f"{1e9 / b['items_per_second']:.1f} ns |")


if __name__ == "__main__":
    main()
