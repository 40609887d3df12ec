# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows package's DRIVER.txt and README.txt, made from sections of the README, read as plain
# text in Notepad: CRLF line ends only, no Markdown left (backticks, bold stars, heading marks,
# table rules or pipes), the section's last line and nothing of the next section, every table row
# as its fields.
#   cmake -DPROJECT_SOURCE_DIR=... -P CheckDriverText.cmake
include(${PROJECT_SOURCE_DIR}/cmake/ReadmeSectionText.cmake)
rz_readme_section_text("### The Windows driver" text)

set(faults "")
# Notes a fault unless `needle` is found in the variable named `haystack` (found TRUE) or is not
# (found FALSE). A function, not a macro: a macro would parse the text's backslashes as escapes.
function(expect haystack needle found what)
  string(FIND "${${haystack}}" "${needle}" at)
  if(at EQUAL -1)
    set(absent TRUE)
  else()
    set(absent FALSE)
  endif()
  if(absent STREQUAL found)
    set(faults "${faults}  ${what}\n" PARENT_SCOPE)
  endif()
endfunction()

string(REPLACE "\r\n" "" lone "${text}")
expect(lone "\n" FALSE "a line ends with LF alone")
expect(lone "\r" FALSE "a lone CR")
rz_readme_section_text("### Installing and starting it" readme)
foreach(mark "`" "**" "##" "|" "---")
  expect(text "${mark}" FALSE "Markdown left in DRIVER.txt: ${mark}")
  expect(readme "${mark}" FALSE "Markdown left in README.txt: ${mark}")
endforeach()
expect(readme "rzflash-image.exe" TRUE "README.txt does not name rzflash-image.exe")
expect(readme "Building and testing" FALSE "README.txt runs into the next section")
string(FIND "${text}" "The Windows driver\r\n" heading)
if(NOT heading EQUAL 0)
  string(APPEND faults "  the heading is not the first line, without its hashes\n")
endif()
expect(text "a port written as a delay.\r\n" TRUE "the section's last sentence is missing")
expect(text "The emulated machine" FALSE "the next section leaks in")
foreach(row "- Request: map\r\n    Code: 0x9C402580\r\n    In: 8 bytes"
            "- Request: unmap\r\n    Code: 0x9C402584"
            "- Request: port\r\n    Code: 0x9C402588")
  expect(text "${row}" TRUE "table row not written as fields: ${row}")
endforeach()
# A semicolon of the text (CMake's list separator) survives.
expect(text "(the value to write; the value read on output)" TRUE
       "a semicolon of the text was lost")

if(faults)
  message(FATAL_ERROR "DRIVER.txt, README.txt:\n${faults}")
endif()
