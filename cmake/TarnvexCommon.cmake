# Compiler settings shared by every target of ours.

if(MINGW)
  # One self-contained exe: no libgcc, libstdc++ or winpthread DLL beside it.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # Each routine and datum in a section of its own, so the linker drops every
  # one that nothing calls or reads.
  add_compile_options(-ffunction-sections -fdata-sections)
  add_link_options(-Wl,--gc-sections)
  # The same sources give the same bytes: no link time in the PE headers.
  add_link_options(-Wl,--no-insert-timestamp)
endif()

# Nor the folders of the checkout and the build: paths in the objects (from
# __FILE__ in assertions, debug information) are written relative to them. The
# build folder is often inside the source folder; the later map wins there.
if(NOT MSVC)
  add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
                      -ffile-prefix-map=${CMAKE_BINARY_DIR}/=build/)
endif()

if(WIN32)
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()

if(TARNVEX_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

# Warnings are errors in our own code (not in GoogleTest or Boost).
function(tarnvex_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX /utf-8)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
  endif()
endfunction()

# tarnvex_build_machine_program(NAME SOURCE...): a program of portable sources
# that the build runs to write a file the program carries; sets NAME_COMMAND to
# what to run. A cross build compiles it for the build machine with that
# machine's own compiler; a host build builds it as a target like any other.
function(tarnvex_build_machine_program name)
  set(sources ${ARGN})
  list(TRANSFORM sources PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/ REGEX "^[^/]")
  if(CMAKE_CROSSCOMPILING)
    find_program(TARNVEX_BUILD_CXX NAMES c++ g++ clang++ REQUIRED)
    set(program ${CMAKE_CURRENT_BINARY_DIR}/${name})
    add_custom_command(
      OUTPUT ${program}
      COMMAND ${TARNVEX_BUILD_CXX} -std=c++20 -O1 -Wall -Wextra -Wpedantic -Werror -I${PROJECT_SOURCE_DIR}
              -MD -MF ${program}.d ${sources} -o ${program}
      DEPFILE ${program}.d
      DEPENDS ${sources}
      COMMENT "Building ${name} for the build machine")
  else()
    add_executable(${name} ${sources})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    tarnvex_warnings(${name})
    set(program ${name})
  endif()
  set(${name}_COMMAND ${program} PARENT_SCOPE)
endfunction()

# tarnvex_delay_load(TARGET DLL ENTRY...): TARGET binds these entries of DLL at
# their first call instead of loading DLL before its first line runs. For a
# library only a rare command needs, start-up then does not pay for loading it.
function(tarnvex_delay_load target dll)
  set(def ${CMAKE_CURRENT_BINARY_DIR}/${dll}_delay.def)
  set(lib ${CMAKE_CURRENT_BINARY_DIR}/lib${dll}_delay.a)
  list(JOIN ARGN "\n" entries)
  file(WRITE ${def} "LIBRARY ${dll}.dll\nEXPORTS\n${entries}\n")
  # dlltool names symbols after the output path and its temporary files after
  # its process id: a relative name and a fixed prefix keep the program's bytes
  # the same in every build folder.
  add_custom_command(OUTPUT ${lib}
                     COMMAND ${CMAKE_DLLTOOL} --input-def ${dll}_delay.def --dllname ${dll}.dll
                             --output-delaylib lib${dll}_delay.a --temp-prefix ${dll}_delay
                     DEPENDS ${def}
                     WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
                     COMMENT "Delay-load library for ${dll}")
  add_custom_target(${target}_${dll}_delay DEPENDS ${lib})
  add_dependencies(${target} ${target}_${dll}_delay)
  # Listed with the target's own libraries, so it comes before the import
  # library that the target's dependencies bring, and the linker takes it.
  target_link_libraries(${target} PRIVATE ${lib})
endfunction()

# tarnvex_skin_resources(): in the calling directory, TARNVEX_SKIN_RESOURCE_SOURCES
# is the .rc that carries the engine image and the skin (shell/skin.cmake writes
# it) and TARNVEX_SKIN_RESOURCE_DEPENDS the targets that make both files; the .rc
# is rebuilt when either changes.
function(tarnvex_skin_resources)
  set(rc ${CMAKE_BINARY_DIR}/resources/skin/skin_resources.rc)
  set_source_files_properties(${rc} PROPERTIES
    OBJECT_DEPENDS "${CMAKE_BINARY_DIR}/skin_engine/SkinH_EL.dll;${CMAKE_BINARY_DIR}/skin_engine/tarnvex.she")
  set(TARNVEX_SKIN_RESOURCE_SOURCES ${rc} PARENT_SCOPE)
  set(TARNVEX_SKIN_RESOURCE_DEPENDS skin_engine tarnvex_built_in_skin PARENT_SCOPE)
endfunction()
