# 32-bit Linux (i386) build with the multilib compiler (g++ -m32): the code
# of the Win32 modules built for a 32-bit process (4-byte size_t and
# pointers, the i686 layout of the host's records) and run under qemu-i386.
#
#   cmake -S . -B build-i386 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/linux-i386.cmake
#
# Libraries and headers are Debian's :i386 packages (zlib1g-dev:i386,
# libjpeg62-turbo-dev:i386, libpng-dev:i386, libdeflate-dev:i386,
# libgtest-dev:i386); scripts/test-32bit.sh installs them.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
# gcc unless told otherwise (clang -m32 for the 32-bit fuzz targets).
if(NOT DEFINED CMAKE_C_COMPILER)
  set(CMAKE_C_COMPILER gcc)
endif()
if(NOT DEFINED CMAKE_CXX_COMPILER)
  set(CMAKE_CXX_COMPILER g++)
endif()
set(CMAKE_C_FLAGS_INIT "-m32")
set(CMAKE_CXX_FLAGS_INIT "-m32")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-m32")

# Debian's multiarch folders of the i386 packages, and nothing of amd64.
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(CMAKE_IGNORE_PATH /usr/lib/x86_64-linux-gnu /usr/lib/x86_64-linux-gnu/cmake
  /usr/include/x86_64-linux-gnu)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig)

# The programs run under qemu-i386 with the 2 GiB of address space that a
# 32-bit Windows process has; DORV_QEMU_I386 may name another qemu.
if(NOT DEFINED DORV_QEMU_I386)
  set(DORV_QEMU_I386 qemu-i386)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${DORV_QEMU_I386} -R 2G -L /)
