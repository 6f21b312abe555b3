# Velmora-Setup-VERSION-32-bit.exe or -64-bit.exe (the saver's word size) in the
# build folder, made with NSIS (makensis) from windows/installer/velmora.nsi
# whenever Velmora.scr or the script changes.
find_program(MAKENSIS makensis)
if(NOT MAKENSIS)
  message(WARNING "makensis not found: no installer (run scripts/install-deps.sh)")
  return()
endif()
math(EXPR bits "${CMAKE_SIZEOF_VOID_P} * 8")
set(VELMORA_SETUP_NAME Velmora-Setup-${PROJECT_VERSION}-${bits}-bit.exe)
set(VELMORA_SETUP ${CMAKE_BINARY_DIR}/${VELMORA_SETUP_NAME} CACHE INTERNAL "the installer, for its test")
add_custom_command(OUTPUT ${VELMORA_SETUP}
  COMMAND ${MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DBITS=${bits} -DSCREEN_SAVER=$<TARGET_FILE:velmora_saver>
          -DOUTFILE=${VELMORA_SETUP} ${CMAKE_SOURCE_DIR}/windows/installer/velmora.nsi
  DEPENDS velmora_saver ${CMAKE_SOURCE_DIR}/windows/installer/velmora.nsi
  COMMENT "Making the installer ${VELMORA_SETUP_NAME}")
add_custom_target(installer ALL DEPENDS ${VELMORA_SETUP})
