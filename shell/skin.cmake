# Skin installation: the outside-call table, install_skin, and the resources
# that carry the engine image and the skin into the program.
add_library(tarnvex_skin_install STATIC
  ${CMAKE_CURRENT_LIST_DIR}/outside_calls_win32.cpp
  ${CMAKE_CURRENT_LIST_DIR}/skin_install_win32.cpp)
target_link_libraries(tarnvex_skin_install PUBLIC tarnvex_outside_names tarnvex_common)
tarnvex_warnings(tarnvex_skin_install)

# Read by the .rc template.
set(TARNVEX_SKIN_ENGINE_FILE ${CMAKE_BINARY_DIR}/skin_engine/SkinH_EL.dll)
set(TARNVEX_SKIN_FILE ${CMAKE_BINARY_DIR}/skin_engine/tarnvex.she)
set(skin_resources ${CMAKE_BINARY_DIR}/resources/skin/skin_resources.rc)
configure_file(${PROJECT_SOURCE_DIR}/resources/skin/skin_resources.rc.in ${skin_resources} @ONLY)

tarnvex_skin_resources()
