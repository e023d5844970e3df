# The page's program (Emscripten): quorvel.js and quorvel.wasm, with quorvel.data holding
# Models/ and the fonts the game asks for, which the page loads (web/quorvel.html).
# Asyncify lets WinMain's blocking loop hand the browser a turn once a frame.
set(QV_WEB_FONTS
  /usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf
  /usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf
  /usr/share/wine/fonts/tahoma.ttf
  /usr/share/wine/fonts/tahomabd.ttf)
set(qv_web_packed "SHELL:--preload-file ${CMAKE_SOURCE_DIR}/Models@/Models")
foreach(font IN LISTS QV_WEB_FONTS)
  get_filename_component(name ${font} NAME)
  list(APPEND qv_web_packed "SHELL:--preload-file ${font}@/fonts/${name}")
endforeach()

add_executable(quorvel programs/web/main.cpp programs/web/page_query.cpp
  programs/web/page_replay.cpp programs/web/page_atlas.cpp programs/web/page_data_url.cpp
  app/winmain.cpp)
target_link_libraries(quorvel PRIVATE qv_engine qv_replay qv_live)
target_link_options(quorvel PRIVATE
  -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=64MB
  -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2
  -sENVIRONMENT=web -sEXIT_RUNTIME=1 "SHELL:-sEXPORTED_FUNCTIONS=['_main','_malloc','_free']"
  ${qv_web_packed})
set_target_properties(quorvel PROPERTIES SUFFIX ".js")
set_property(TARGET quorvel APPEND PROPERTY LINK_DEPENDS ${QV_WEB_FONTS})

# The page a player opens, beside the program, with what installs it: the web app manifest and
# the icons make-icon draws (packaging/icons), and the service worker that keeps them all for
# playing offline, written after every build with the hash of each file (page_offline.cmake).
configure_file(${CMAKE_SOURCE_DIR}/programs/web/page/quorvel.html ${CMAKE_BINARY_DIR}/quorvel.html COPYONLY)
configure_file(${CMAKE_SOURCE_DIR}/programs/web/page/quorvel.webmanifest ${CMAKE_BINARY_DIR}/quorvel.webmanifest
  COPYONLY)
set(qv_web_icons quorvel-32 quorvel-180 quorvel-192 quorvel-512 quorvel-maskable-512)
set(qv_web_icon_files "")
foreach(icon IN LISTS qv_web_icons)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/icons/${icon}.png ${CMAKE_BINARY_DIR}/icons/${icon}.png COPYONLY)
  list(APPEND qv_web_icon_files ${CMAKE_BINARY_DIR}/icons/${icon}.png)
endforeach()
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/quorvel-sw.js
  COMMAND ${CMAKE_COMMAND} -DQV_WEB_DIR=${CMAKE_BINARY_DIR} -P ${CMAKE_SOURCE_DIR}/programs/web/page_offline.cmake
  DEPENDS quorvel ${CMAKE_SOURCE_DIR}/programs/web/page_offline.cmake
    ${CMAKE_SOURCE_DIR}/programs/web/page/quorvel-sw.js.in ${CMAKE_BINARY_DIR}/quorvel.html
    ${CMAKE_BINARY_DIR}/quorvel.webmanifest ${qv_web_icon_files}
  COMMENT "The page's service worker")
add_custom_target(quorvel_offline ALL DEPENDS ${CMAKE_BINARY_DIR}/quorvel-sw.js)

# The browser check of the page's keyboard (tests/web, scripts/build-web --test).
add_executable(web_input_check tests/web/web_input_check.cpp)
target_link_libraries(web_input_check PRIVATE qv_platform)
target_link_options(web_input_check PRIVATE -sASYNCIFY -sENVIRONMENT=web -sEXIT_RUNTIME=1)
set_target_properties(web_input_check PROPERTIES SUFFIX ".js" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
configure_file(${CMAKE_SOURCE_DIR}/tests/web/web_input_check.html ${CMAKE_BINARY_DIR}/tests/web_input_check.html
  COPYONLY)
