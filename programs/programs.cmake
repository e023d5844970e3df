# The programs: each process entry sits above everything it uses, and nothing below includes it
# (session/CMakeLists.txt stops the configure step at such an include).
#   game/  the game's process entry, the same on Linux and Windows: recording, tracing, playing
#          key scripts, a data directory and game controllers around WinMain
#   web/   the page's process entry: the address it was opened with, replays, atlases, the game
if(EMSCRIPTEN)
  include(programs/web/web.cmake)
elseif(WIN32)
  # MinGW's C runtime calls main when the program has one, and main calls WinMain as the loader
  # would, attached to the console it was started from (game/windows_console.cpp). Both are
  # compiled into the program, as the runtime is linked after the engine's libraries and would
  # not find them in them. Of the hooks the game links those its process entry uses: the loop's
  # pulse, a played script's clock, key feeding, game controllers (XInput, linked after the hooks
  # that call it, and the rules every build maps by).
  add_executable(quorvel WIN32 app/winmain.cpp programs/game/main.cpp programs/game/windows_console.cpp
    platform/core/win32_gamepad_keys.cpp)
  target_link_libraries(quorvel PRIVATE qv_live qv_hooks xinput9_1_0)
  include(cmake/windows-resources.cmake)
  include(cmake/windows-installer.cmake)
else()
  add_executable(quorvel programs/game/main.cpp)
  target_link_libraries(quorvel PRIVATE qv_live)
endif()
