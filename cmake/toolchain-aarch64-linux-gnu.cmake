# Cross build for 64-bit ARM Linux (Raspberry Pi OS, Debian arm64) with Debian's
# cross compiler and Debian's arm64 libraries installed through multiarch
# (dpkg --add-architecture arm64; libx11-dev:arm64 and the others in
# scripts/install-deps.sh): their files live in /usr/lib/aarch64-linux-gnu, their
# headers in /usr/include beside the native ones. CTest runs the arm64 programs
# on this machine under qemu's user-mode emulator.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(VELMORA_TRIPLET aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${VELMORA_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${VELMORA_TRIPLET}-g++)
set(CMAKE_AR ${VELMORA_TRIPLET}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${VELMORA_TRIPLET}-ranlib CACHE FILEPATH "")
set(CMAKE_STRIP ${VELMORA_TRIPLET}-strip CACHE FILEPATH "")
set(CMAKE_OBJDUMP ${VELMORA_TRIPLET}-objdump CACHE FILEPATH "")

# Libraries and packages only from the arm64 side: /usr/lib/aarch64-linux-gnu (and
# its cmake/ and pkgconfig/), never the native /usr/lib/x86_64-linux-gnu. Headers
# are shared (/usr/include, /usr/include/aarch64-linux-gnu). Programs run during
# the build, wayland-scanner among them, are the build machine's own.
set(CMAKE_LIBRARY_ARCHITECTURE ${VELMORA_TRIPLET})
set(CMAKE_FIND_ROOT_PATH /)
set(CMAKE_IGNORE_PATH /usr/lib/x86_64-linux-gnu /lib/x86_64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads the arm64 .pc files and the architecture-independent ones
# (wayland-protocols); their paths are already the real ones.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${VELMORA_TRIPLET}/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# The arm64 programs run through the emulator: tests, gtest_discover_tests and
# anything else CMake starts. They find the arm64 loader where a Raspberry Pi has it
# (/lib/ld-linux-aarch64.so.1, from libc6:arm64) and through it the same Debian
# arm64 libraries as there.
find_program(VELMORA_QEMU_AARCH64 qemu-aarch64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VELMORA_QEMU_AARCH64})
