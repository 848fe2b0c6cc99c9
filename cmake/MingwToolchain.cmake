# The MinGW-w64 cross toolchain for the triple CORVANE_MINGW_TRIPLE (static runtime); each program it builds
# runs under the Wine loader and prefix of CORVANE_WINE_ARCH.
set(CMAKE_SYSTEM_NAME Windows)
# Everything compiles with the posix thread model, whose runtime has std::thread for the tests.
set(CMAKE_C_COMPILER ${CORVANE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CORVANE_MINGW_TRIPLE}-g++-posix)
# The same compiler built for the win32 thread model: its runtime's static-local guards and exception
# allocator lock with the system's own calls, where the posix one links all of winpthreads into a program.
set(CORVANE_WIN32_THREADS_CXX ${CORVANE_MINGW_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${CORVANE_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${CORVANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_CROSSCOMPILING_EMULATOR env CORVANE_WINE_ARCH=${CORVANE_WINE_ARCH}
    ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
