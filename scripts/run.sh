#!/usr/bin/env bash
# Starts the window. Without a display the program says so and ends with a non-zero status.
set -euo pipefail
build=${1:-build}
# The sanitized build would end every session with leak reports from the desktop's system
# libraries (D-Bus, fontconfig); the tests check the program's own memory.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
exec "$build/src/app/bildertafel"
