# Game controllers in quorvel.exe (platform/windows/win_gamepad.cpp): XInput read from the game's
# own PeekMessageA calls, mapped by the rules both builds share (platform/win32/win32_gamepad_keys),
# on from the start. The game links no other hook.
target_sources(quorvel PRIVATE ${CMAKE_SOURCE_DIR}/platform/windows/win_gamepad.cpp
  ${CMAKE_SOURCE_DIR}/platform/windows/import_patch.cpp ${CMAKE_SOURCE_DIR}/platform/win32/win32_gamepad_keys.cpp)
target_include_directories(quorvel PRIVATE ${CMAKE_SOURCE_DIR}/platform/hooks)
target_compile_definitions(quorvel PRIVATE QV_GAMEPADS_AT_START=true)
target_link_libraries(quorvel PRIVATE xinput9_1_0)
