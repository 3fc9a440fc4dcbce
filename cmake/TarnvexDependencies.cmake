# Boost.Regex (header-only), GoogleTest and, off Windows, ICU, all from the distribution.

# Boost: the cross compiler must see only the boost/ folder, never the rest of
# /usr/include, whose glibc headers clash with MinGW's.
set(TARNVEX_BOOST_INCLUDE "" CACHE PATH "Folder that holds boost/regex.hpp (found when empty)")
if(NOT TARNVEX_BOOST_INCLUDE)
  find_path(TARNVEX_BOOST_INCLUDE_FOUND boost/regex.hpp
            PATHS /usr/include /usr/local/include
            NO_CMAKE_FIND_ROOT_PATH)
  if(NOT TARNVEX_BOOST_INCLUDE_FOUND)
    find_package(Boost 1.76 REQUIRED)
    set(TARNVEX_BOOST_INCLUDE_FOUND ${Boost_INCLUDE_DIRS})
  endif()
  set(boost_root ${TARNVEX_BOOST_INCLUDE_FOUND})
else()
  set(boost_root ${TARNVEX_BOOST_INCLUDE})
endif()

add_library(boost_regex_headers INTERFACE)
# The C library's character classes, not std::locale: our one pattern needs no
# locale, and std::locale would link every standard facet (time, money,
# messages), a third of the program.
target_compile_definitions(boost_regex_headers INTERFACE BOOST_REGEX_USE_C_LOCALE)
if(CMAKE_CROSSCOMPILING)
  set(boost_only ${CMAKE_BINARY_DIR}/boost-only)
  file(MAKE_DIRECTORY ${boost_only})
  if(NOT EXISTS ${boost_only}/boost)
    file(CREATE_LINK ${boost_root}/boost ${boost_only}/boost SYMBOLIC)
  endif()
  target_include_directories(boost_regex_headers SYSTEM INTERFACE ${boost_only})
elseif(NOT boost_root STREQUAL "/usr/include")
  target_include_directories(boost_regex_headers SYSTEM INTERFACE ${boost_root})
endif()

# GoogleTest: Debian ships its sources; build them with our compiler for each preset.
set(TARNVEX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree")
if(EXISTS ${TARNVEX_GTEST_SOURCE}/CMakeLists.txt)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${TARNVEX_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
  find_package(GTest REQUIRED)
endif()

# Off Windows: libcurl stands in for the WinHTTP object, ICU converts to and
# from code page 936 where Windows' conversion is absent.
if(NOT WIN32)
  find_package(CURL 7.85 REQUIRED)
  find_package(ICU 72 REQUIRED COMPONENTS uc)
endif()
