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
# The calendar clock past January 2038: glibc's 64-bit time_t (Debian 12's armhf
# keeps 32 bits by default; no library interface these programs use carries one).
set(CMAKE_CXX_FLAGS_INIT "-D_FILE_OFFSET_BITS=64 -D_TIME_BITS=64")
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
