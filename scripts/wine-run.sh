#!/bin/bash
# Runs one Windows program under the project's Wine environment (used as CMake's cross-compiling emulator).
set -e
# Without an architecture named, a program runs under the loader of the architecture it is built for.
if [ -z "${CORVANE_WINE_ARCH:-}" ] && [ -f "${1:-}" ]; then
    CORVANE_WINE_ARCH=$(/usr/bin/python3 "$(dirname "$0")/corvane_arch.py" "$1")
    export CORVANE_WINE_ARCH
fi
. "$(dirname "$0")/wine-env.sh"
corvane_wine_ready
exec wine "$@"
