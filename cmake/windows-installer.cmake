# build-windows/quorvel-setup.exe: the game's setup program (packaging/windows/quorvel.nsi),
# made by NSIS's makensis from quorvel.exe, Models/ and the icon. The uninstaller removes the
# models it installed by name, from a list written here.
find_program(QV_MAKENSIS makensis)
if(NOT QV_MAKENSIS)
  message(STATUS "makensis not found: no quorvel-setup.exe (Debian's nsis package)")
  return()
endif()

file(GLOB qv_models CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/Models/*)
set(qv_uninstall_lines "")
foreach(model IN LISTS qv_models)
  get_filename_component(name ${model} NAME)
  string(APPEND qv_uninstall_lines "  Delete \"$INSTDIR\\Models\\${name}\"\n")
endforeach()
set(qv_uninstall_files ${CMAKE_BINARY_DIR}/installer/uninstall-models.nsh)
file(GENERATE OUTPUT ${qv_uninstall_files} CONTENT "${qv_uninstall_lines}")

set(QV_SETUP_EXE ${CMAKE_BINARY_DIR}/quorvel-setup.exe)
add_custom_command(OUTPUT ${QV_SETUP_EXE}
  COMMAND ${QV_MAKENSIS} -V2 -WX -DVERSION=${PROJECT_VERSION} -DGAME=$<TARGET_FILE:quorvel>
    -DMODELS=${CMAKE_SOURCE_DIR}/Models -DICON=${QV_ICO_FILE} -DUNINSTALL_FILES=${qv_uninstall_files}
    -DOUTFILE=${QV_SETUP_EXE} ${CMAKE_SOURCE_DIR}/packaging/windows/quorvel.nsi
  DEPENDS quorvel ${qv_models} ${QV_ICO_FILE} ${qv_uninstall_files} ${CMAKE_SOURCE_DIR}/packaging/windows/quorvel.nsi
  COMMENT "Making quorvel-setup.exe")
add_custom_target(installer ALL DEPENDS ${QV_SETUP_EXE})
