#!/usr/bin/env bash
# Builds the program and runs it on the example data: the first command on a
# fresh machine. Installs the build packages it lacks where it runs as root.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh
need_packages program

# A first configuration builds the program alone; a folder that tools/test.sh
# configured keeps its tests.
if [ -f build/CMakeCache.txt ]; then
  cmake -S . -B build >/dev/null
else
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DRUMO_BUILD_TESTS=OFF -DRUMO_BUILD_BENCH=OFF >/dev/null
fi
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target rumo

cd examples
../build/rumo < answers.txt
if cmp -s result.txt expected/result.txt; then
  echo "The result is in examples/result.txt, the same as examples/expected/result.txt:"
else
  echo "examples/result.txt differs from examples/expected/result.txt" >&2
  exit 1
fi
head -n 12 result.txt | cut -f 1-16
