// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/devices/BusTrace.h"

#include <cstdio>

namespace rz::sim {

std::string Describe(const TraceEvent& e) {
  static const char* const kNames[] = {"port-read", "port-write", "map", "unmap",
                                       "mem-read",  "mem-write",  "sleep"};
  char buf[128];
  std::snprintf(buf, sizeof buf, "%llu %s addr=0x%X value=0x%X w=%u aux=0x%X",
                static_cast<unsigned long long>(e.time), kNames[static_cast<int>(e.kind)],
                e.address, e.value, e.width, e.aux);
  return buf;
}

}  // namespace rz::sim
