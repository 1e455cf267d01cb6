# Cross build for 64-bit ARM Linux (aarch64) with Debian's cross compiler and
# the arm64 libraries of Debian's multiarch (libsdl2-dev:arm64 and the
# others, installed beside the amd64 ones by scripts/install-deps.sh --arm64).
# The executables link the arm64 shared libraries, as a native build does.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(cross_prefix aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${cross_prefix}-gcc)
set(CMAKE_CXX_COMPILER ${cross_prefix}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${cross_prefix})

# Headers and libraries come from the multiarch folders only, programs from
# the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${cross_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${cross_prefix}/pkgconfig:/usr/share/pkgconfig)

# Test discovery and try-runs start the executables through qemu-user, without
# -L: qemu then takes the dynamic loader of libc6:arm64 (/lib/ld-linux-aarch64.so.1),
# the C library the multiarch libraries were built against. With the cross
# toolchain's own C library (-L /usr/aarch64-linux-gnu) the two mix, and a
# program's first std::thread never returns.
find_program(QEMU_AARCH64_PROGRAM qemu-aarch64)
if(QEMU_AARCH64_PROGRAM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_AARCH64_PROGRAM})
endif()
