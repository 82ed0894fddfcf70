# Cross-compiles tovrix.exe for 64-bit Windows with Debian's mingw-w64
# (package g++-mingw-w64-x86-64).
#
#   cmake --preset mingw      (build-win/, Release: CMakePresets.json), or
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# The posix-threads flavour of the compiler is used: its libstdc++ has the
# full C++20 thread support GoogleTest can rely on, and with -static the
# threading runtime is linked into the executable, so the programs need no
# DLL beyond those of the system.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOVRIX_MINGW_PREFIX x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${TOVRIX_MINGW_PREFIX}-gcc-posix ${TOVRIX_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${TOVRIX_MINGW_PREFIX}-g++-posix ${TOVRIX_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${TOVRIX_MINGW_PREFIX}-windres)
find_program(CMAKE_AR NAMES ${TOVRIX_MINGW_PREFIX}-gcc-ar-posix ${TOVRIX_MINGW_PREFIX}-ar)
find_program(CMAKE_RANLIB NAMES ${TOVRIX_MINGW_PREFIX}-gcc-ranlib-posix ${TOVRIX_MINGW_PREFIX}-ranlib)

# Look for libraries and headers only in the target's tree; programs are
# run on the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TOVRIX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every executable is linked statically: no libgcc, libstdc++ or
# winpthread DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Executables built for Windows run on this machine through Wine, in a
# scratch prefix inside the build folder (ctest and the end-to-end cases
# run them so).
find_program(TOVRIX_WINE NAMES wine)
if(TOVRIX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh
                                    ${CMAKE_BINARY_DIR}/wineprefix)
endif()

