# What the mingw-w64 toolchain files share; each sets mingw_triplet,
# CMAKE_SYSTEM_PROCESSOR and tarvelo_wine_loaders (the Wine loaders that run
# its executables, in order of preference), then includes this file.
set(CMAKE_SYSTEM_NAME Windows)

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

# A static runtime (libgcc, libstdc++, winpthread): the executables run without
# any DLL of the compiler next to them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Wine runs the tests and their discovery (at test time, so a build needs no
# Wine: the 32-bit build is compiled on machines that cannot run it too).
# Debian keeps the 64-bit loader outside PATH, in /usr/lib/wine.
find_program(TARVELO_WINE NAMES ${tarvelo_wine_loaders} PATHS /usr/lib/wine)
# Through wine-run.sh, which starts a program once more when Wine's loader
# failed before the program ran.
if(TARVELO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR /bin/bash ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${TARVELO_WINE})
endif()
