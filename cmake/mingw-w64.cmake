# Cross build for Windows with mingw-w64 (posix thread model), shared by the
# 32-bit (i686) and the 64-bit (x86_64) toolchain files, which set
# CMAKE_SYSTEM_PROCESSOR and MINGW_PREFIX before including this file.
# Programs are linked statically, so they import no libgcc, libstdc++ or
# libwinpthread DLL, and CTest runs them under Wine through wine-run.sh, which
# takes the Wine loader of the program's word size.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_PREFIX}-windres)
set(CMAKE_AR ${MINGW_PREFIX}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${MINGW_PREFIX}-ranlib CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# CMAKE_BINARY_DIR is the top of the build tree here, so the prefix lives in it.
get_filename_component(VELMORA_WINE_RUN ${CMAKE_CURRENT_LIST_DIR}/../tests/windows/wine-run.sh ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VELMORA_WINE_RUN} ${CMAKE_BINARY_DIR}/wineprefix)
