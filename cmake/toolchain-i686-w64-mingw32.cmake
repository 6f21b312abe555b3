# 32-bit Windows (x86), for 32- and 64-bit Windows alike. The top level adds
# -msse2 -mfpmath=sse, so that values round as on every other build.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
