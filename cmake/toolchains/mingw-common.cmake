# Shared part of the mingw-w64 cross toolchains. The including file sets
# DORV_MINGW_TRIPLE and CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)

# The posix thread model of the cross compilers: the C++ runtime then has its
# full thread support, and winpthread is linked in statically like the rest.
set(CMAKE_C_COMPILER ${DORV_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DORV_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${DORV_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${DORV_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${DORV_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")

# Libraries and headers come only from the cross sysroot (libjpeg, built in
# the build tree, is named by JPEG_LIBRARY and JPEG_INCLUDE_DIR); programs
# from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${DORV_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Each module stands alone: the C and C++ runtimes, winpthread, zlib and
# libjpeg are all linked in statically.
set(ZLIB_USE_STATIC_LIBS ON)
set(DORV_MINGW_STATIC "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${DORV_MINGW_STATIC}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${DORV_MINGW_STATIC}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${DORV_MINGW_STATIC}")

# Unicode and a Windows 7 API level for everything built here.
set(CMAKE_C_FLAGS_INIT "-D_WIN32_WINNT=0x0601 -DWINVER=0x0601")
set(CMAKE_CXX_FLAGS_INIT "-D_WIN32_WINNT=0x0601 -DWINVER=0x0601")

# Test executables are listed when they run under Wine, not at build time.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
