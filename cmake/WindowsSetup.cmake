# SPDX-License-Identifier: GPL-3.0-or-later
# The setup program, rzflash-<version>-setup.exe (`cpack -G NSIS` in the 64-bit windows build,
# with Debian's makensis): it installs what the install() rules name into Program Files, adds the
# empty "BIOS Files" folder the program reads, a Start-menu entry for the windowed program, and an
# uninstaller listed in Apps and Features. The script is cmake/nsis/NSIS.template.in; CPack fills
# in the files to install and to delete. The zip (`cpack -G ZIP`) is packed from the same rules.

# The windowed program the Start-menu entry starts (its target name; the .exe need not be built
# for the setup program to be made).
set(RZ_SETUP_PROGRAM_TARGET rzflash)
# The icon of the setup program and its uninstaller: the program's own, as the sources or a host
# build's artwork (RZFLASH_HOST_ART_DIR) have it; else makensis's own. The Start-menu entry and
# Apps and Features show the icon inside the windowed program.
set(_setup_icon "")
if(EXISTS ${PROJECT_SOURCE_DIR}/assets/windows/rzflash.ico)
  set(_setup_icon ${PROJECT_SOURCE_DIR}/assets/windows/rzflash.ico)
elseif(RZFLASH_HOST_ART_DIR AND EXISTS ${RZFLASH_HOST_ART_DIR}/rzflash.ico)
  set(_setup_icon ${RZFLASH_HOST_ART_DIR}/rzflash.ico)
endif()

set(CPACK_PACKAGE_NAME RZFLASH)
set(CPACK_PACKAGE_VENDOR "RZFLASH developers")
set(CPACK_PACKAGE_INSTALL_DIRECTORY RZFLASH)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY RZFLASH)
set(CPACK_NSIS_PACKAGE_NAME RZFLASH)
set(CPACK_NSIS_DISPLAY_NAME RZFLASH)
set(CPACK_NSIS_UNINSTALL_NAME Uninstall)
# Read by the template (CPack hands every CPACK_ variable to it).
set(CPACK_RZ_PROGRAM_EXE ${RZ_SETUP_PROGRAM_TARGET}.exe)
set(CPACK_RZ_SETUP_ICON "${_setup_icon}")

# The template is found through CMAKE_MODULE_PATH, before CPack's own.
list(APPEND CMAKE_MODULE_PATH ${PROJECT_SOURCE_DIR}/cmake/nsis)

# One file name per generator: rzflash-windows.zip, rzflash-<version>-setup.exe.
configure_file(${PROJECT_SOURCE_DIR}/cmake/nsis/PackageNames.cmake.in
               ${CMAKE_BINARY_DIR}/CPackPackageNames.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackPackageNames.cmake)
