# The suites of the Windows build: those that need no OpenGL device of ours (game rules through
# the recording device, math and the sine, camera, scene pass, the X reader, texture loading, key scripts and the
# trace writer),
# run through Wine by CTest (the toolchain file names scripts/wine-run as the emulator). One
# CTest entry per executable: each start of a Windows program under Wine costs about a second.
function(qv_windows_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE qv_testsupport GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})
endfunction()

qv_windows_test(test_math test_math.cpp)
qv_windows_test(test_libm test_libm.cpp)
qv_windows_test(test_camera test_camera.cpp)
qv_windows_test(test_recording_device test_recording_device.cpp)
qv_windows_test(test_scene_pass test_scene_pass.cpp)
qv_windows_test(test_device_setup test_device_setup.cpp)
qv_windows_test(test_xfile test_xfile_reader.cpp test_xfile_broken.cpp test_xfile_d3dx.cpp)
qv_windows_test(test_xobject test_xobject_load.cpp test_xobject_render.cpp)
qv_windows_test(test_texture test_texture_codec.cpp test_texture_load.cpp test_texture_options.cpp
  test_texture_broken.cpp test_texture_formats.cpp test_texture_jpeg.cpp)
target_compile_definitions(test_texture PRIVATE QV_TEXTURE_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data/textures")
# The JPEG suite writes its files with libjpeg.
find_package(JPEG REQUIRED)
target_link_libraries(test_texture PRIVATE JPEG::JPEG)
qv_windows_test(test_game test_game_world.cpp test_game_steering.cpp test_game_bullets.cpp test_game_frame.cpp)
# Key scripts, the frame clock, the trace writer, and whole runs of the harness (started through
# cmd.exe, which sees the build machine's files on Wine's drive Z:).
qv_windows_test(test_replay test_replay.cpp)
target_link_libraries(test_replay PRIVATE qv_replay)
target_compile_definitions(test_replay PRIVATE QV_REPLAY_EXE="Z:$<TARGET_FILE:quorvel-replay>")
add_dependencies(test_replay quorvel-replay)
# The hooks themselves over the real system.
qv_windows_test(test_windows_hooks test_windows_hooks.cpp)

# What the game and the harness import: only DLLs every Windows has.
foreach(exe quorvel quorvel-replay)
  add_test(NAME imports.${exe} COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DEXE=$<TARGET_FILE:${exe}>
    -P ${CMAKE_SOURCE_DIR}/cmake/check-imports.cmake)
endforeach()

# The game's icon and version information, as Windows reads them from quorvel.exe.
qv_windows_test(test_windows_resources test_windows_resources.cpp)
target_link_libraries(test_windows_resources PRIVATE version)
target_compile_definitions(test_windows_resources PRIVATE QV_GAME_EXE="Z:$<TARGET_FILE:quorvel>"
  QV_VERSION="${PROJECT_VERSION}" QV_VERSION_MAJOR=${PROJECT_VERSION_MAJOR} QV_VERSION_MINOR=${PROJECT_VERSION_MINOR})
add_dependencies(test_windows_resources quorvel)

# The setup program in a fresh Wine prefix: silent installs for the machine and for one user,
# the installed game run from the shortcut's folder with a key script, reinstalling, and uninstalls that
# leave the prefix's files and registry as they were.
if(TARGET installer)
  add_test(NAME installer COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/test_windows_installer.sh ${QV_SETUP_EXE}
    ${PROJECT_VERSION} $<TARGET_FILE:quorvel> ${CMAKE_BINARY_DIR}/installer/test)
endif()

# Game controllers through a fake XInput, by the rules the Linux build's suite holds too.
qv_windows_test(test_windows_gamepad test_windows_gamepad.cpp ${CMAKE_SOURCE_DIR}/platform/core/win32_gamepad_keys.cpp)
target_link_libraries(test_windows_gamepad PRIVATE qv_hooks xinput9_1_0)  # XInput after the hooks that call it

# quorvel.exe's own command line: options, errors, and a recorded game that replays exactly.
add_test(NAME entry COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/test_windows_entry.sh $<TARGET_FILE:quorvel>
  $<TARGET_FILE:quorvel-replay> ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/entry-test)

# The game's window: full screen by F11 and Alt+Enter, its size at the monitor's DPI or a scale,
# and Present keeping the picture's shape; then its DPI case again in a prefix set to 192 DPI.
qv_windows_test(test_windows_show test_windows_show.cpp)
target_link_libraries(test_windows_show PRIVATE qv_hooks)
add_test(NAME windows_show_dpi COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/test_windows_show_dpi.sh
  $<TARGET_FILE:test_windows_show> ${CMAKE_BINARY_DIR}/dpi-prefix)
