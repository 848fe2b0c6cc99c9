# Cross toolchain: 64-bit Windows through MinGW-w64, tests run under 64-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CORVANE_MINGW_TRIPLE x86_64-w64-mingw32)
set(CORVANE_WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
