#!/usr/bin/env bash
# The example's grid file: the run with --grid-netcdf gives the header
# committed in examples/grid.cdl, and the result file stays as it is without
# the grid.
#
#   grid_example.sh <rumo-binary> <examples-dir>
#
# Exit 77 (skipped) where ncdump is not installed (Debian: netcdf-bin).
set -u
rumo=$(realpath -e "$1") || exit 2
examples=$(realpath -e "$2") || exit 2
command -v ncdump >/dev/null 2>&1 || { echo "ncdump not found: skipped"; exit 77; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/rumo-grid.XXXXXX") || exit 2
trap 'rm -rf "$scratch"' EXIT
cp "$examples"/{hourly,climate,collector,answers}.txt "$scratch/"
(cd "$scratch" && "$rumo" --grid-netcdf grid.nc --grid-cell 2000 --crs EPSG:31468 \
  < answers.txt > /dev/null) || {
  echo "the example run with --grid-netcdf failed"
  exit 1
}
failed=0
(cd "$scratch" && ncdump -h grid.nc) > "$scratch/header.cdl"
if ! diff -u "$examples/grid.cdl" "$scratch/header.cdl"; then
  echo "--- the header differs from examples/grid.cdl"
  failed=1
fi
if ! cmp -s "$examples/expected/result.txt" "$scratch/result.txt"; then
  echo "--- the result file with the grid differs from examples/expected/result.txt"
  failed=1
fi
exit $failed
