# rzflash-windows.zip (`cpack -G ZIP` in the windows build): the executables, RZFLASH.CFG,
# HELP.CHM, the skin when a host build drew it (RZFLASH_HOST_SKIN_DIR: its bin/Skin folder; the
# skin is drawn by a Qt program of the build machine), and what a Windows driver must answer, as
# a text taken from the README. The setup program (`cpack -G NSIS`) packs the same files; see
# WindowsSetup.cmake.
set(RZFLASH_HOST_SKIN_DIR "" CACHE PATH "Skin folder drawn by a host build, for the package")
if(RZFLASH_HOST_SKIN_DIR)
  install(DIRECTORY ${RZFLASH_HOST_SKIN_DIR}/ DESTINATION Skin)
endif()

# The section runs from its heading to the next heading of the README's top level.
file(READ ${PROJECT_SOURCE_DIR}/README.md _readme)
string(FIND "${_readme}" "### The Windows driver" _start)
string(SUBSTRING "${_readme}" ${_start} -1 _driver)
string(FIND "${_driver}" "\n## " _end)
string(SUBSTRING "${_driver}" 4 ${_end} _driver)
file(WRITE ${CMAKE_BINARY_DIR}/DRIVER.txt "${_driver}\n")
install(FILES ${CMAKE_BINARY_DIR}/DRIVER.txt DESTINATION .)

include(${CMAKE_CURRENT_LIST_DIR}/WindowsPeCheck.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/WindowsSetup.cmake)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME rzflash-windows)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
include(CPack)
