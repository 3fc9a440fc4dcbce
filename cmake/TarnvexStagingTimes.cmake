# Run by CPack once the files are staged and before each package is made: every
# staged file and folder gets the source date, so the installer, which records
# file times, does not carry the time of the build.
include("${CMAKE_CURRENT_LIST_DIR}/TarnvexSourceDate.cmake")
file(GLOB_RECURSE staged LIST_DIRECTORIES TRUE "${CPACK_TEMPORARY_DIRECTORY}/*")
if(staged)
  execute_process(COMMAND touch -h -d "@${tarnvex_source_date}" ${staged} COMMAND_ERROR_IS_FATAL ANY)
endif()
