# Cross-compiles drivecopy for 64-bit Windows with Debian's mingw-w64 (the
# POSIX-threads flavour, whose libstdc++ has std::thread) and runs what it
# builds under wine:
#
#   cmake -S . -B build-windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# The desktop application is left out (Debian packages no Qt for Windows), and
# the block codec is zlib, from Debian's libz-mingw-w64-dev.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)

# Libraries and headers for Windows come only from the mingw-w64 tree;
# programs come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests and build-time tools run under wine, each in the prefix WINEPREFIX names.
find_program(WINE_PROGRAM NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(WINE_PROGRAM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_PROGRAM})
endif()

# The desktop needs a Qt 6 built for Windows (docs/windows.md); none is packaged here.
set(DRIVECOPY_DESKTOP OFF CACHE BOOL "Build the desktop application (Qt 6)")
set(DRIVECOPY_BLOCK_CODEC zlib CACHE STRING "Block codec library: libdeflate or zlib")

# One self-contained drivecopy.exe: the C++ runtime, the threads library and
# zlib linked in, so that it runs on a Windows without mingw's DLLs.
set(ZLIB_USE_STATIC_LIBS ON)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
