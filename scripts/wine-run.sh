#!/bin/bash
# Runs one Windows program under the project's Wine environment (used as CMake's cross-compiling emulator).
set -e
. "$(dirname "$0")/wine-env.sh"
corvane_wine_ready
exec wine "$@"
