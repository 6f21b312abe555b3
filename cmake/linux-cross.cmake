# What the ARM Linux toolchain files share (toolchain-aarch64-linux-gnu.cmake,
# toolchain-arm-linux-gnueabihf.cmake), which set first CMAKE_SYSTEM_PROCESSOR,
# VELMORA_TRIPLET, the package architectures VELMORA_DEB_ARCHITECTURE and
# VELMORA_RPM_ARCHITECTURE, and the emulator command VELMORA_QEMU.
# The build uses Debian's cross compiler and Debian's libraries of the target
# installed through multiarch (dpkg --add-architecture; libx11-dev:arm64 and the
# others in scripts/install-deps.sh): their files live in /usr/lib/TRIPLET, their
# headers in /usr/include beside the native ones. CTest runs the programs on this
# machine under qemu's user-mode emulator.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${VELMORA_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${VELMORA_TRIPLET}-g++)
set(CMAKE_AR ${VELMORA_TRIPLET}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${VELMORA_TRIPLET}-ranlib CACHE FILEPATH "")
set(CMAKE_STRIP ${VELMORA_TRIPLET}-strip CACHE FILEPATH "")
set(CMAKE_OBJDUMP ${VELMORA_TRIPLET}-objdump CACHE FILEPATH "")

# Libraries and packages only from the target's side: /usr/lib/TRIPLET (and
# its cmake/ and pkgconfig/), never the native /usr/lib/x86_64-linux-gnu. Headers
# are shared (/usr/include, /usr/include/TRIPLET). Programs run during
# the build, wayland-scanner among them, are the build machine's own.
set(CMAKE_LIBRARY_ARCHITECTURE ${VELMORA_TRIPLET})
set(CMAKE_FIND_ROOT_PATH /)
set(CMAKE_IGNORE_PATH /usr/lib/x86_64-linux-gnu /lib/x86_64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads the target's .pc files and the architecture-independent ones
# (wayland-protocols); their paths are already the real ones.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${VELMORA_TRIPLET}/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# The programs run through the emulator: tests, gtest_discover_tests and anything
# else CMake starts. They find the target's loader where a Raspberry Pi has it
# (/lib/ld-linux-aarch64.so.1 from libc6:arm64, /lib/ld-linux-armhf.so.3 from
# libc6:armhf) and through it the same Debian libraries as there.
list(POP_FRONT VELMORA_QEMU velmora_qemu_name)
find_program(VELMORA_QEMU_PROGRAM ${velmora_qemu_name} REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VELMORA_QEMU_PROGRAM} ${VELMORA_QEMU})
