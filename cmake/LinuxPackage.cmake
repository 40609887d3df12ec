# SPDX-License-Identifier: GPL-3.0-or-later
# The installed program on Linux and its Debian package (`cpack -G DEB` in a build folder, packed
# from what the install() rules name, laid out under /usr): the man pages, the desktop entry and
# its icon (drawn by the skin generator), the package's copyright and changelog, and the package's
# control fields.
set(_pkg_src ${PROJECT_SOURCE_DIR}/packaging/linux)
set(_pkg_work ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${_pkg_work})

# Man pages, compressed as Debian keeps them (gzip -9, no name or time stamp inside).
set(_man_pages rzflash-cli rzflash-image)
if(TARGET rzflash)
  list(APPEND _man_pages rzflash rzflash-demo)
endif()
set(_man_outputs)
foreach(_page ${_man_pages})
  configure_file(${_pkg_src}/${_page}.1 ${_pkg_work}/${_page}.1 @ONLY)
  add_custom_command(
    OUTPUT ${_pkg_work}/${_page}.1.gz
    COMMAND gzip -9nf -k ${_pkg_work}/${_page}.1
    DEPENDS ${_pkg_work}/${_page}.1
    VERBATIM)
  list(APPEND _man_outputs ${_pkg_work}/${_page}.1.gz)
endforeach()

# The package's changelog, in Debian's format, for the version being built.
string(TIMESTAMP _changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(RZ_PACKAGE_MAINTAINER "RZFLASH developers <rzflash@example.org>")
file(WRITE ${_pkg_work}/changelog
     "rzflash (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
     "  * Release ${PROJECT_VERSION}.\n\n"
     " -- ${RZ_PACKAGE_MAINTAINER}  ${_changelog_date}\n")
add_custom_command(
  OUTPUT ${_pkg_work}/changelog.gz
  COMMAND gzip -9nf -k ${_pkg_work}/changelog
  DEPENDS ${_pkg_work}/changelog
  VERBATIM)
add_custom_target(rz_package_docs ALL DEPENDS ${_man_outputs} ${_pkg_work}/changelog.gz)

install(FILES ${_man_outputs} DESTINATION share/man/man1)
install(FILES ${_pkg_src}/copyright ${_pkg_work}/changelog.gz DESTINATION share/doc/rzflash)

# The desktop entry and the icon in the hicolor theme, with the windowed program.
if(TARGET rzflash AND TARGET rz_skingen)
  set(_icons)
  foreach(_size 48 256)
    set(_icon ${_pkg_work}/icons/${_size}x${_size}/rzflash.png)
    add_custom_command(
      OUTPUT ${_icon}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${_pkg_work}/icons/${_size}x${_size}
      COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
              $<TARGET_FILE:rz_skingen> --icon ${_size} ${_icon}
      DEPENDS rz_skingen
      COMMENT "Drawing the ${_size}x${_size} icon"
      VERBATIM)
    list(APPEND _icons ${_icon})
    install(FILES ${_icon} DESTINATION share/icons/hicolor/${_size}x${_size}/apps)
  endforeach()
  add_custom_target(rz_icons ALL DEPENDS ${_icons})
  install(FILES ${_pkg_src}/rzflash.desktop ${_pkg_src}/rzflash-demo.desktop
          DESTINATION share/applications)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME rzflash)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # rzflash_<version>_<architecture>.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${RZ_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the executables link come from dpkg-shlibdeps; pkexec starts the hardware-access
# helper for a user who is not root; the help button opens HELP.CHM through the desktop's opener.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS pkexec)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xchm)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "back up and flash the video BIOS of graphics cards")
# The extended description; CPack puts the summary line before it and indents it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "RZFLASH finds the graphics card on the PCI bus, identifies the flash EEPROM
that holds its video BIOS, shows the BIOS version and the EEPROM's size,
backs the BIOS up into a file, and flashes a new BIOS after checking that
the file belongs to the card. Every flash keeps the card's current BIOS as
a safety backup first.

The package holds the windowed program (rzflash), the terminal front end
(rzflash-cli, which can also run on emulated machines) and a tool that
writes synthetic BIOS images for trying it (rzflash-image).")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
