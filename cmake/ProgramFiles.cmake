# SPDX-License-Identifier: GPL-3.0-or-later
# The files shipped beside the executables that need no windowing library, built into
# ${RZ_PROGRAM_DIR} by the target rz_help_and_config and installed with them: the help file,
# compiled by chmcmd (a host program) from the pages in assets/help, and RZFLASH.CFG.
set(RZ_PROGRAM_DIR ${CMAKE_BINARY_DIR}/bin)

file(GLOB _help_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/assets/help/*)
set(_help_work ${CMAKE_BINARY_DIR}/help)
add_custom_command(
  OUTPUT ${RZ_PROGRAM_DIR}/HELP.CHM
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${_help_work}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/assets/help ${_help_work}
  COMMAND ${CMAKE_COMMAND} -E chdir ${_help_work} chmcmd --verbosity 0 help.hhp
  COMMAND ${CMAKE_COMMAND} -E copy ${_help_work}/HELP.CHM ${RZ_PROGRAM_DIR}/HELP.CHM
  DEPENDS ${_help_sources}
  COMMENT "Compiling HELP.CHM"
  VERBATIM)
add_custom_command(
  OUTPUT ${RZ_PROGRAM_DIR}/RZFLASH.CFG
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/assets/RZFLASH.CFG ${RZ_PROGRAM_DIR}/RZFLASH.CFG
  DEPENDS ${PROJECT_SOURCE_DIR}/assets/RZFLASH.CFG
  VERBATIM)
add_custom_target(rz_help_and_config ALL
  DEPENDS ${RZ_PROGRAM_DIR}/HELP.CHM ${RZ_PROGRAM_DIR}/RZFLASH.CFG)
install(FILES ${RZ_PROGRAM_DIR}/HELP.CHM ${RZ_PROGRAM_DIR}/RZFLASH.CFG
        DESTINATION ${RZ_INSTALL_DATADIR})

# The example machines to practise on, copied by the user before use (their cards' EEPROMs are
# written back beside them). On Windows the emulated vendor tool answers at tool\ATIWinflash.exe.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${RZ_INSTALL_DATADIR}/examples)
if(WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/examples/ati/program/tool/ATIWinflash
          DESTINATION ${RZ_INSTALL_DATADIR}/examples/ati/program/tool RENAME ATIWinflash.exe)
endif()
