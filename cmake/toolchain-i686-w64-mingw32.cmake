# Cross-builds Tarvelo for 32-bit Windows with Debian's mingw-w64; Wine, where
# it is installed, runs what it builds (tests, test discovery).
#
#   cmake -S . -B build-win32 -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake -DTARVELO_BUILD_GUI=OFF
set(CMAKE_SYSTEM_PROCESSOR x86)
set(mingw_triplet i686-w64-mingw32)
# Debian's wine chooses the 32-bit loader when wine32 is installed.
set(tarvelo_wine_loaders wine)

# GCC 12 warns falsely about std::string concatenation on 32-bit targets
# (-Wrestrict, GCC bug 105651).
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")

include(${CMAKE_CURRENT_LIST_DIR}/toolchain-w64-mingw32-common.cmake)
