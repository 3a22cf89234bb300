#!/usr/bin/env bash
# Builds the program and runs the normal test suite: every unit test, every
# end-to-end case, the documentation checks and the fuzz corpora. Under 5
# minutes on two cores from a clean clone (the build takes most of it),
# under 2 minutes when only a few files changed. tools/check.sh runs the
# slower checks on top: sanitizers, ThreadSanitizer and fuzzing.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
started=$(date +%s)

# The Debian packages the build and the checks need (tools/packages.sh).
source tools/packages.sh
need_packages tests

# Tests are switched on and the benchmarks off explicitly, whatever an earlier
# configuration of the same folder left in its cache (the tests build the
# data generator they need themselves).
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DRUMO_BUILD_TESTS=ON -DRUMO_BUILD_BENCH=OFF \
  $(launcher_option)
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"
echo "tools/test.sh: the normal suite passed in $(($(date +%s) - started)) s"
