#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the project with AddressSanitizer (leak checking included) and
# UndefinedBehaviorSanitizer in its own folder and runs every unit and widget
# test under them; the end-to-end tests are left to `make test`. Any report
# fails the run: undefined behaviour stops the program at once, and a leak
# makes it exit with an error.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${SANITIZE_BUILD_DIR:-build-sanitize}
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTINTORAL_SANITIZE=ON \
  -DTINTORAL_BUILD_BENCH=OFF > /dev/null
cmake --build "$build" -j "$jobs"

export ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
# The event storms run shorter here: everything runs a few times slower.
export TINTORAL_STORM_EVENTS=${TINTORAL_STORM_EVENTS:-20000}

cd "$build"
ctest --output-on-failure -j "$jobs" -E '^(e2e|packaging)\.'
