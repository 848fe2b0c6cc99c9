# Toolchain: the portable code as 32-bit x86 Linux programs (multilib g++), so that its arithmetic is also
# tested with 4-byte pointers and sizes; ctest runs them natively or under qemu-i386 (scripts/run-i386.sh).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
# Static, so that an emulator needs no 32-bit libraries of the machine's.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -static")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/run-i386.sh)
