# SPDX-License-Identifier: GPL-3.0-or-later
# The list scripts/check-windows-pe.sh reads: the target's objdump and the programs whose PE
# headers it checks, each with the subsystem it must have. The windowed programs are listed when
# the build has them.
set(_pe_lines "objdump ${CMAKE_OBJDUMP}\nconsole $<TARGET_FILE:rzflash-cli>\n")
string(APPEND _pe_lines "console $<TARGET_FILE:rzflash-image>\n")
foreach(_windowed rzflash rzflash-demo)
  if(TARGET ${_windowed})
    string(APPEND _pe_lines "windows $<TARGET_FILE:${_windowed}>\n")
  endif()
endforeach()
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/pe-check.txt CONTENT "${_pe_lines}")
