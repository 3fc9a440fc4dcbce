# Sets tarnvex_source_date: the time that stands for the build in the packages,
# in seconds since 1970. SOURCE_DATE_EPOCH when set, else the time of the
# checkout's commit, else 1980-01-01, the earliest time a ZIP can hold.
# Included by the CPack scripts, which see CPACK_TARNVEX_SOURCE_DIR.
set(tarnvex_source_date "$ENV{SOURCE_DATE_EPOCH}")
if(NOT tarnvex_source_date MATCHES "^[0-9]+$")
  execute_process(COMMAND git -C "${CPACK_TARNVEX_SOURCE_DIR}" log -1 --format=%ct
                  OUTPUT_VARIABLE tarnvex_source_date OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT tarnvex_source_date MATCHES "^[0-9]+$" OR tarnvex_source_date LESS 315532800)
    set(tarnvex_source_date 315532800)
  endif()
endif()
