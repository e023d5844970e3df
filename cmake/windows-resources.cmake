# quorvel.exe's icon and version information (packaging/windows/quorvel.rc.in), compiled by
# MinGW's windres. The icon is made during the build from the engine-drawn 256 pixel picture
# (packaging/icons) by make-ico, a small program of ours built for and run on the build machine.
enable_language(RC)
set(QV_PUBLISHER "Quorvel developers")

find_program(QV_HOST_CXX NAMES c++ g++ REQUIRED)
set(qv_host_dir ${CMAKE_BINARY_DIR}/host)
set(qv_make_ico ${qv_host_dir}/make-ico)
add_custom_command(OUTPUT ${qv_make_ico}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${qv_host_dir}
  COMMAND ${QV_HOST_CXX} -std=c++17 -O2 -isystem ${STB_INCLUDE_DIR}
    ${CMAKE_SOURCE_DIR}/packaging/windows/make_ico.cpp -o ${qv_make_ico}
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/windows/make_ico.cpp
  COMMENT "Building make-ico for the build machine")

set(QV_ICO_FILE ${CMAKE_BINARY_DIR}/quorvel.ico)
add_custom_command(OUTPUT ${QV_ICO_FILE}
  COMMAND ${qv_make_ico} ${CMAKE_SOURCE_DIR}/packaging/icons/quorvel-256.png ${QV_ICO_FILE}
  DEPENDS ${qv_make_ico} ${CMAKE_SOURCE_DIR}/packaging/icons/quorvel-256.png
  COMMENT "Making quorvel.ico")

configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/quorvel.rc.in ${CMAKE_BINARY_DIR}/quorvel.rc @ONLY)
target_sources(quorvel PRIVATE ${CMAKE_BINARY_DIR}/quorvel.rc)
set_source_files_properties(${CMAKE_BINARY_DIR}/quorvel.rc PROPERTIES OBJECT_DEPENDS ${QV_ICO_FILE})
