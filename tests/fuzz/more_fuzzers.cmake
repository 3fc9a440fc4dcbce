# Fuzzers of the subsystem folders, one line each.
tarnvex_fuzzer(fuzz_fetch SOURCES fuzz_fetch.cpp LIBS tarnvex_fetch)
