# The layering, checked when the project is configured: an include that runs upwards stops it.
#   programs/  the process entries; nothing else includes them
#   tools/     included by nothing of the engine, the platform or the session
#   session/   above the engine: only programs, tools, tests and benchmarks include it
#   platform/, base/  below the engine: they include none of app/, game/, render/, text/
# (gfxutil/ and base/ check their own rooms' order.)
set(qv_rooms app game render text gfxutil platform session base)
set(qv_layer_globs)
foreach(room IN LISTS qv_rooms)
  list(APPEND qv_layer_globs ${CMAKE_SOURCE_DIR}/${room}/*.cpp ${CMAKE_SOURCE_DIR}/${room}/*.h)
endforeach()
file(GLOB_RECURSE qv_layer_files CONFIGURE_DEPENDS ${qv_layer_globs})
foreach(f IN LISTS qv_layer_files)
  if(f MATCHES "^${CMAKE_SOURCE_DIR}/session/")
    set(forbidden "programs|tools")
  elseif(f MATCHES "^${CMAKE_SOURCE_DIR}/(platform|base)/")
    set(forbidden "programs|tools|session|app|game|render|text")
  else()
    set(forbidden "programs|tools|session")
  endif()
  file(STRINGS ${f} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<](${forbidden})/")
  if(includes)
    message(FATAL_ERROR "${f} includes a room above it (${forbidden}): ${includes}")
  endif()
endforeach()
