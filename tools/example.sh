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
if ! cmp -s result.txt expected/result.txt; then
  echo "examples/result.txt differs from examples/expected/result.txt" >&2
  exit 1
fi
echo
echo "The result is examples/result.txt, the same as examples/expected/result.txt."
echo "Its station names and hours 19 to 21 of 24 July 2001 (docs/understanding-the-result.md"
echo "works the column K0001 by hand):"
sed -n '5p;24,26p' result.txt
