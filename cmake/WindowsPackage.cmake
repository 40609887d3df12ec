# SPDX-License-Identifier: GPL-3.0-or-later
# rzflash-windows.zip (`cpack -G ZIP` in the windows build): the executables, RZFLASH.CFG,
# HELP.CHM, the skin when a host build drew it (RZFLASH_HOST_SKIN_DIR: its bin/Skin folder; the
# skin is drawn by a Qt program of the build machine), what a Windows driver must answer
# (DRIVER.txt) and how to install and start the programs (README.txt), as plain texts taken from
# the README, and the licence (LICENSE.txt). The setup program (`cpack -G NSIS`) packs the same files; see
# WindowsSetup.cmake.
set(RZFLASH_HOST_SKIN_DIR "" CACHE PATH "Skin folder drawn by a host build, for the package")
if(RZFLASH_HOST_SKIN_DIR)
  install(DIRECTORY ${RZFLASH_HOST_SKIN_DIR}/ DESTINATION Skin)
endif()

include(${CMAKE_CURRENT_LIST_DIR}/ReadmeSectionText.cmake)
rz_readme_section_text("### The Windows driver" _driver)
file(WRITE ${CMAKE_BINARY_DIR}/DRIVER.txt "${_driver}")
rz_readme_section_text("### Installing and starting it" _readme_txt)
file(WRITE ${CMAKE_BINARY_DIR}/README.txt "RZFLASH on Windows\r\n\r\n${_readme_txt}")
# The licence, with CRLF line ends for Notepad.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE _licence)
string(REPLACE "\n" "\r\n" _licence "${_licence}")
file(WRITE ${CMAKE_BINARY_DIR}/LICENSE.txt "${_licence}")
install(FILES ${CMAKE_BINARY_DIR}/DRIVER.txt ${CMAKE_BINARY_DIR}/README.txt
              ${CMAKE_BINARY_DIR}/LICENSE.txt DESTINATION .)

include(${CMAKE_CURRENT_LIST_DIR}/WindowsPeCheck.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/WindowsSetup.cmake)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME rzflash-windows)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
include(CPack)
