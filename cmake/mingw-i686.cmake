# Cross toolchain: 32-bit Windows through MinGW-w64, tests run under 32-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CORVANE_MINGW_TRIPLE i686-w64-mingw32)
set(CORVANE_WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
