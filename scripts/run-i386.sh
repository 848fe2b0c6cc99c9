#!/bin/sh
# Runs a 32-bit x86 Linux program: natively where the machine has 32-bit mode, otherwise under qemu-i386.
# Used as the emulator of the native-i386 build.
if /usr/bin/python3 "$(dirname "$0")/corvane_arch.py" >/dev/null; then
    exec "$@"
fi
exec qemu-i386-static "$@"
