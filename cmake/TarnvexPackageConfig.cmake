# Read by CPack before it stages the files for each generator. The strip run
# while staging writes the current time into the program's header unless
# SOURCE_DATE_EPOCH is set: it gets the source date, as do makensis and what
# the later package scripts stamp.
include("${CMAKE_CURRENT_LIST_DIR}/TarnvexSourceDate.cmake")
set(ENV{SOURCE_DATE_EPOCH} "${tarnvex_source_date}")
