# Cross build for 32-bit ARM Linux with hardware floating point (32-bit Raspberry
# Pi OS on ARMv7 and later cores, Debian armhf): ARMv7-A, VFPv3-D16 and Thumb-2,
# Debian's armhf baseline, and no NEON, whose single-precision arithmetic flushes
# tiny values to zero. The tests run the programs on an emulated Cortex-A7, the
# Raspberry Pi 2's core.
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(VELMORA_TRIPLET arm-linux-gnueabihf)
set(VELMORA_DEB_ARCHITECTURE armhf)
set(VELMORA_RPM_ARCHITECTURE armv7hl)
set(VELMORA_QEMU qemu-arm -cpu cortex-a7)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
