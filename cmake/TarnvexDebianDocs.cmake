# Run by the Debian package's install step: the manual page, written from the
# option table by tarnvex-cli-manual and dated with the package's source date,
# and the changelog, both compressed as Debian wants them. gzip -9n stores no
# name and no time, so the package stays the same bytes.
# Expects CPACK_TARNVEX_SOURCE_DIR and tarnvex_manual_writer.
include("${CMAKE_CURRENT_LIST_DIR}/TarnvexSourceDate.cmake")
set(ENV{SOURCE_DATE_EPOCH} "${tarnvex_source_date}")
string(TIMESTAMP manual_date "%Y-%m-%d" UTC)
set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
file(MAKE_DIRECTORY "${root}/share/man/man1" "${root}/share/doc/tarnvex-cli")
execute_process(COMMAND "${tarnvex_manual_writer}" "${manual_date}" COMMAND gzip -9n
                OUTPUT_FILE "${root}/share/man/man1/tarnvex-cli.1.gz" COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND gzip -9nc "${CPACK_TARNVEX_SOURCE_DIR}/resources/debian/changelog"
                OUTPUT_FILE "${root}/share/doc/tarnvex-cli/changelog.gz" COMMAND_ERROR_IS_FATAL ANY)
file(CHMOD "${root}/share/man/man1/tarnvex-cli.1.gz" "${root}/share/doc/tarnvex-cli/changelog.gz"
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
