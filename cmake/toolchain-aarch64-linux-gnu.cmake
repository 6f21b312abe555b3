# Cross build for 64-bit ARM Linux (64-bit Raspberry Pi OS, Debian arm64).
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(VELMORA_TRIPLET aarch64-linux-gnu)
set(VELMORA_DEB_ARCHITECTURE arm64)
set(VELMORA_RPM_ARCHITECTURE aarch64)
set(VELMORA_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
