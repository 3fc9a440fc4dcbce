# Run by CPack after each generator: makes the ZIP reproducible, then records
# the SHA-256 of the packages it just made in SHA256SUMS beside them, in
# sha256sum's own format, so that `sha256sum -c SHA256SUMS` in the package
# folder checks every one.
set(sums_file "${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS")

# CPack's ZIP records access times and the builder's user and group: rewrite
# it so that a rebuild of the same commit gives the same file.
include("${CMAKE_CURRENT_LIST_DIR}/TarnvexSourceDate.cmake")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(package MATCHES "\\.zip$")
    execute_process(COMMAND "${CPACK_TARNVEX_PYTHON}" "${CMAKE_CURRENT_LIST_DIR}/normalize_zip.py"
                            "${package}" "${tarnvex_source_date}" COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()

set(made_names "")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name "${package}" NAME)
  list(APPEND made_names "${name}")
endforeach()

# Lines of the other generator's packages stay while their files are there.
set(lines "")
if(EXISTS "${sums_file}")
  file(STRINGS "${sums_file}" old_lines)
  foreach(line IN LISTS old_lines)
    if(line MATCHES "^[0-9a-f]+  (.+)$")
      set(name "${CMAKE_MATCH_1}")
      if(NOT name IN_LIST made_names AND EXISTS "${CPACK_PACKAGE_DIRECTORY}/${name}")
        list(APPEND lines "${line}")
      endif()
    endif()
  endforeach()
endif()

foreach(package IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name "${package}" NAME)
  file(SHA256 "${package}" hash)
  list(APPEND lines "${hash}  ${name}")
endforeach()

string(JOIN "\n" text ${lines})
file(WRITE "${sums_file}" "${text}\n")
message(STATUS "SHA256SUMS: ${made_names}")
