# Cross-builds Tarvelo for 64-bit Windows with Debian's mingw-w64; wine64,
# where it is installed, runs what it builds (tests, test discovery). The
# tests use this build on machines that cannot run 32-bit programs.
#
#   cmake -S . -B build-win64 -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake -DTARVELO_BUILD_GUI=OFF
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(mingw_triplet x86_64-w64-mingw32)
# The 64-bit loader itself, never the wine script: that one picks the 32-bit
# loader whenever wine32 is installed, even where it cannot run.
set(tarvelo_wine_loaders wine64)

include(${CMAKE_CURRENT_LIST_DIR}/toolchain-w64-mingw32-common.cmake)
