# Cross build for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix:
# the POSIX threads flavour, which std::thread and std::mutex need).
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake ...
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(BENCHLINK_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BENCHLINK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BENCHLINK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${BENCHLINK_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${BENCHLINK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Each .exe stands alone: libgcc, libstdc++ and winpthreads are linked in, no DLLs to carry.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test discovery and ctest run the programs under Wine (wine64 from Debian).
find_program(BENCHLINK_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(BENCHLINK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${BENCHLINK_WINE})
endif()
