# UTF-8 page decoding (kernel32 code-page conversion), part of tarnvex_fetch.
if(WIN32)
  target_sources(tarnvex_fetch PRIVATE ${CMAKE_CURRENT_LIST_DIR}/utf8_win32.cpp)
  target_link_libraries(tarnvex_fetch PUBLIC kernel32)
endif()
