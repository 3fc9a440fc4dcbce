# Distribution of the Windows build: `cmake --build <build> --target package`
# writes a per-user NSIS installer, a portable ZIP and SHA256SUMS for both
# into <build>/package. Only the cross (or native Windows) build has a program
# to ship; elsewhere this file adds nothing.
if(NOT WIN32 OR NOT TARGET tarnvex)
  return()
endif()

# The program, and beside it the skin engine: a per-user install cannot write
# the system directory, and the program directory is searched before it.
install(TARGETS tarnvex RUNTIME DESTINATION .)
install(FILES $<TARGET_FILE:skin_engine> DESTINATION .)

set(TARNVEX_PACKAGE_FILE_NAME "Tarnvex-${PROJECT_VERSION}-win64")
set(TARNVEX_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/package")

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_NAME Tarnvex)
set(CPACK_PACKAGE_VENDOR Tarnvex)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_FILE_NAME "${TARNVEX_PACKAGE_FILE_NAME}")
set(CPACK_PACKAGE_DIRECTORY "${TARNVEX_PACKAGE_DIRECTORY}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Tarnvex)
# Symbols are of no use to a user and double the exe's size.
set(CPACK_STRIP_FILES TRUE)
# The same commit gives the same packages: staged files get the commit's time,
# and the ZIP is rewritten without per-build fields (see each script).
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(CPACK_TARNVEX_SOURCE_DIR "${PROJECT_SOURCE_DIR}")
set(CPACK_TARNVEX_PYTHON "${Python3_EXECUTABLE}")
set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_CURRENT_LIST_DIR}/TarnvexPackageConfig.cmake")
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/TarnvexStagingTimes.cmake")
set(CPACK_POST_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/TarnvexChecksums.cmake")

# Our own installer script template (NSIS.template.in) replaces CPack's.
set(CPACK_MODULE_PATH "${PROJECT_SOURCE_DIR}/resources/installer")
set(CPACK_NSIS_PACKAGE_NAME Tarnvex)
set(CPACK_NSIS_DISPLAY_NAME Tarnvex)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
set(CPACK_NSIS_MUI_ICON "${PROJECT_SOURCE_DIR}/resources/tarnvex.ico")
set(CPACK_NSIS_MUI_UNIICON "${PROJECT_SOURCE_DIR}/resources/tarnvex.ico")
set(CPACK_NSIS_INSTALLED_ICON_NAME tarnvex.exe)

include(CPack)
