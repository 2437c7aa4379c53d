#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer target over the render tool's argument parser with
# Clang (and AddressSanitizer and UndefinedBehaviorSanitizer) in its own
# folder, then fuzzes it for a bounded time: FUZZ_SECONDS, 60 by default.
# What it finds is written to the build folder as crash-* files; run the
# target on one of them to see it again.
set -euo pipefail
cd "$(dirname "$0")/.."

# Clang and its libFuzzer runtime; `make test` does not need them.
bash scripts/install-deps.sh fuzz

build=${FUZZ_BUILD_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTINTORAL_FUZZ=ON -DBUILD_TESTING=OFF -DTINTORAL_BUILD_BENCH=OFF > /dev/null
cmake --build "$build" -j "$jobs" --target tintoral-fuzz-render-args

corpus="$build/fuzz-corpus"
mkdir -p "$corpus"
# New inputs go to the build folder's corpus; the seeds in tests/fuzz/corpus stay as they are.
"$build/tintoral-fuzz-render-args" -max_total_time="$seconds" -print_final_stats=1 \
  -dict=tests/fuzz/render_arguments.dict -artifact_prefix="$build/" -max_len=512 \
  "$corpus" tests/fuzz/corpus
