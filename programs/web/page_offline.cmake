# Writes the page's service worker, QV_WEB_DIR/quorvel-sw.js, from page/quorvel-sw.js.in: the
# files a player needs offline with the SHA-256 of each, and the build's name (its cache's)
# from them all, so that any change to any of them is a new build. The manifest's larger icons
# are not among them: the browser fetches those when it installs the page, not to play it. web.cmake runs it after
# every build of the page; the browser test runs it on a copy to make a newer build.
#   cmake -DQV_WEB_DIR=DIR -P programs/web/page_offline.cmake
if(NOT QV_WEB_DIR)
  message(FATAL_ERROR "page_offline.cmake: QV_WEB_DIR names the built page's folder")
endif()
set(files quorvel.html quorvel.js quorvel.wasm quorvel.data quorvel.webmanifest icons/quorvel-32.png)
set(QV_OFFLINE_FILES "")
set(all "")
foreach(name IN LISTS files)
  if(NOT EXISTS "${QV_WEB_DIR}/${name}")
    message(FATAL_ERROR "page_offline.cmake: ${QV_WEB_DIR}/${name} is missing")
  endif()
  file(SHA256 "${QV_WEB_DIR}/${name}" digest)
  string(APPEND QV_OFFLINE_FILES "  '${name}': '${digest}',\n")
  string(APPEND all "${name} ${digest}\n")
endforeach()
string(SHA256 QV_BUILD_HASH "${all}")
string(SUBSTRING "${QV_BUILD_HASH}" 0 16 QV_BUILD_HASH)
configure_file("${CMAKE_CURRENT_LIST_DIR}/page/quorvel-sw.js.in" "${QV_WEB_DIR}/quorvel-sw.js" @ONLY)
