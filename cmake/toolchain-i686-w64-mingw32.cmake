# Cross-builds Tarvelo for 32-bit Windows with Debian's mingw-w64 and runs
# what it builds (tests, test discovery) under Wine.
#
#   cmake -S . -B build-win32 -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake -DTARVELO_BUILD_GUI=OFF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(mingw_triplet i686-w64-mingw32)
# The -posix variants: GoogleTest needs std::mutex and std::thread, which the
# default win32-threads variant lacks.
set(CMAKE_C_COMPILER ${mingw_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triplet}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# GCC 12 warns falsely about std::string concatenation on 32-bit targets
# (-Wrestrict, GCC bug 105651).
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")

# A static runtime (libgcc, libstdc++, winpthread): the executables run without
# any DLL of the compiler next to them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(TARVELO_WINE wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TARVELO_WINE})
