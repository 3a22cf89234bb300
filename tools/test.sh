#!/usr/bin/env bash
# Builds and runs every test: the normal build first, then the whole suite
# again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRUMO_SANITIZE=ON -DRUMO_BUILD_BENCH=OFF
cmake --build build-sanitize -j "$jobs"
ctest --test-dir build-sanitize --output-on-failure -j "$jobs"

# A few seconds of fuzzing for each fuzz target, from the committed corpus,
# where clang and its fuzzer runtime are at hand.
if command -v clang++ >/dev/null 2>&1; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DRUMO_FUZZ=ON -DRUMO_BUILD_BENCH=OFF
  cmake --build build-fuzz -j "$jobs" --target fuzz_header fuzz_run fuzz_reader fuzz_engine \
    fuzz_header_replay fuzz_run_replay fuzz_reader_replay fuzz_engine_replay
  ctest --test-dir build-fuzz --output-on-failure -R '^fuzz\.'
else
  echo "clang++ not found: the fuzz smoke runs are skipped"
fi
