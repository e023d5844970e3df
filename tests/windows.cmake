# The suites of the Windows build: those that need no OpenGL device of ours (game rules through
# the recording device, math and the sine, camera, scene pass, the X reader, texture loading),
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
  test_texture_broken.cpp)
target_compile_definitions(test_texture PRIVATE QV_TEXTURE_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data/textures")
qv_windows_test(test_game test_game_world.cpp test_game_steering.cpp test_game_bullets.cpp test_game_frame.cpp)
