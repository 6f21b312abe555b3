# Velmora-Setup-VERSION.exe in the build folder, made with NSIS (makensis) from
# windows/installer/velmora.nsi whenever Velmora.scr or the script changes.
find_program(MAKENSIS makensis)
if(NOT MAKENSIS)
  message(WARNING "makensis not found: no installer (run scripts/install-deps.sh)")
  return()
endif()
set(VELMORA_SETUP ${CMAKE_BINARY_DIR}/Velmora-Setup-${PROJECT_VERSION}.exe)
add_custom_command(OUTPUT ${VELMORA_SETUP}
  COMMAND ${MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DSCREEN_SAVER=$<TARGET_FILE:velmora_saver>
          -DOUTFILE=${VELMORA_SETUP} ${CMAKE_SOURCE_DIR}/windows/installer/velmora.nsi
  DEPENDS velmora_saver ${CMAKE_SOURCE_DIR}/windows/installer/velmora.nsi
  COMMENT "Making the installer Velmora-Setup-${PROJECT_VERSION}.exe")
add_custom_target(installer ALL DEPENDS ${VELMORA_SETUP})
