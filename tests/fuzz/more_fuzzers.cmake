# Fuzzers of the subsystem folders, one line each.
tarnvex_fuzzer(fuzz_fetch SOURCES fuzz_fetch.cpp LIBS tarnvex_fetch)
tarnvex_fuzzer(fuzz_layout_block SOURCES fuzz_layout_block.cpp LIBS tarnvex_layout_writer)
tarnvex_fuzzer(fuzz_skin_format SOURCES fuzz_skin_format.cpp ${PROJECT_SOURCE_DIR}/skin_engine/skin_format.cpp)
