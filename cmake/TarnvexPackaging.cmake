# Distribution: `cmake --build <build> --target package` writes the packages
# and SHA256SUMS for them into <build>/package.
#   Windows build: a per-user NSIS installer and a portable ZIP of the window
#   and the batch program.
#   Linux build without sanitizers (preset linux): a Debian package of the
#   batch program.
# Elsewhere (the sanitized host build, the fuzzers) this file adds nothing.
if(WIN32 AND TARGET tarnvex)
  set(tarnvex_package_kind windows)
elseif(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND TARGET tarnvex-cli AND NOT TARNVEX_SANITIZE AND NOT TARNVEX_FUZZ)
  set(tarnvex_package_kind debian)
else()
  return()
endif()

set(TARNVEX_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/package")
set(CPACK_PACKAGE_VENDOR Tarnvex)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DIRECTORY "${TARNVEX_PACKAGE_DIRECTORY}")
# Symbols are of no use to a user and double a program's size.
set(CPACK_STRIP_FILES TRUE)
# The same commit gives the same packages: staged files get the commit's time,
# and each archive is written or rewritten without per-build fields (see each script).
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(CPACK_TARNVEX_SOURCE_DIR "${PROJECT_SOURCE_DIR}")
set(CPACK_TARNVEX_PYTHON "${Python3_EXECUTABLE}")
set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_CURRENT_LIST_DIR}/TarnvexPackageConfig.cmake")
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/TarnvexStagingTimes.cmake")
set(CPACK_POST_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/TarnvexChecksums.cmake")

if(tarnvex_package_kind STREQUAL "windows")
  # The programs, and beside them the skin engine: a per-user install cannot
  # write the system directory, and the program directory is searched before it.
  install(TARGETS tarnvex tarnvex-cli RUNTIME DESTINATION .)
  install(FILES $<TARGET_FILE:skin_engine> DESTINATION .)

  set(TARNVEX_PACKAGE_FILE_NAME "Tarnvex-${PROJECT_VERSION}-win64")
  set(CPACK_GENERATOR NSIS ZIP)
  set(CPACK_PACKAGE_NAME Tarnvex)
  set(CPACK_PACKAGE_FILE_NAME "${TARNVEX_PACKAGE_FILE_NAME}")
  set(CPACK_PACKAGE_INSTALL_DIRECTORY Tarnvex)

  # Our own installer script template (NSIS.template.in) replaces CPack's.
  set(CPACK_MODULE_PATH "${PROJECT_SOURCE_DIR}/resources/installer")
  set(CPACK_NSIS_PACKAGE_NAME Tarnvex)
  set(CPACK_NSIS_DISPLAY_NAME Tarnvex)
  set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
  set(CPACK_NSIS_MUI_ICON "${PROJECT_SOURCE_DIR}/resources/tarnvex.ico")
  set(CPACK_NSIS_MUI_UNIICON "${PROJECT_SOURCE_DIR}/resources/tarnvex.ico")
  set(CPACK_NSIS_INSTALLED_ICON_NAME tarnvex.exe)
else()
  install(TARGETS tarnvex-cli RUNTIME DESTINATION bin)
  # What Debian asks of every package: its copyright, its changelog, and a
  # manual page for each program.
  install(FILES "${PROJECT_SOURCE_DIR}/resources/debian/copyright" DESTINATION share/doc/tarnvex-cli)
  install(CODE "set(CPACK_TARNVEX_SOURCE_DIR \"${PROJECT_SOURCE_DIR}\")
    set(tarnvex_manual_writer \"$<TARGET_FILE:tarnvex-cli-manual>\")
    include(\"${CMAKE_CURRENT_LIST_DIR}/TarnvexDebianDocs.cmake\")")

  # tarnvex-cli_<version>_<architecture>.deb, installing /usr/bin/tarnvex-cli.
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME tarnvex-cli)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE architecture
                  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE "${architecture}")
  set(TARNVEX_PACKAGE_FILE_NAME "tarnvex-cli_${PROJECT_VERSION}_${architecture}")
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tarnvex Developers <developers@tarnvex.org>")
  set(CPACK_DEBIAN_PACKAGE_SECTION web)
  # Under the summary line (the project's description); no line past 80
  # characters, as Debian's tools show it.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "Fetches video pages and prints the auto-play address of each page's player,\nmany pages at once, as the Tarnvex window gives it for one.")
  # The libraries the program links (libcurl, ICU, the C and C++ run-times)
  # become its Depends line, as dpkg-shlibdeps works it out from the binary.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
