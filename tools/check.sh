#!/usr/bin/env bash
# The full check beyond the normal suite (tools/test.sh): the benchmark
# programs built, the whole suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer, the tests of everything that works in parallel
# under ThreadSanitizer, and with clang a few seconds of fuzzing per target.
# About 20 minutes on two quiet cores from a clean clone.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
started=$(date +%s)

source tools/packages.sh
need_packages tests

# The benchmark programs still build (they are not run here).
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DRUMO_BUILD_TESTS=OFF -DRUMO_BUILD_BENCH=ON \
  $(launcher_option)
cmake --build build-bench -j "$jobs"

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRUMO_SANITIZE=ON \
  -DRUMO_BUILD_TESTS=ON -DRUMO_BUILD_BENCH=OFF $(launcher_option)
cmake --build build-sanitize -j "$jobs"
ctest --test-dir build-sanitize --output-on-failure -j "$jobs"

# The pool and all that shares work through it (the run, the engine, the
# report, the NetCDF file and both cross-validations) under ThreadSanitizer.
tsan_tests=(core/workers_test interp/engine_test run/run_test report/run_report_test
  export/netcdf_series_test export/netcdf_failure_test run/netcdf_addition_test
  crossval/cross_validation_test run/cross_validation_run_test)
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRUMO_SANITIZE_THREAD=ON \
  -DRUMO_BUILD_TESTS=ON -DRUMO_BUILD_BENCH=OFF $(launcher_option)
cmake --build build-tsan -j "$jobs" --target "${tsan_tests[@]##*/}"
for test in "${tsan_tests[@]}"; do
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" "build-tsan/tests/$test"
done

# A few seconds of fuzzing for each fuzz target, from the committed corpus,
# where clang and its fuzzer runtime are at hand.
if command -v clang++ >/dev/null 2>&1; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DRUMO_FUZZ=ON -DRUMO_BUILD_TESTS=ON -DRUMO_BUILD_BENCH=OFF $(launcher_option)
  fuzz_targets=()
  for name in header run reader engine import; do fuzz_targets+=("fuzz_$name" "fuzz_${name}_replay"); done
  cmake --build build-fuzz -j "$jobs" --target "${fuzz_targets[@]}"
  ctest --test-dir build-fuzz --output-on-failure -R '^fuzz\.'
else
  echo "clang++ not found: the fuzz smoke runs are skipped"
fi
echo "tools/check.sh: the full check passed in $(($(date +%s) - started)) s"
