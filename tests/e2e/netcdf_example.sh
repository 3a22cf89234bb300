#!/usr/bin/env bash
# The example's NetCDF file: the run with --netcdf makes the file committed
# in examples/ (same header, same data), and its header is the golden one.
#
#   netcdf_example.sh <rumo-binary> <examples-dir>
#
# Exit 77 (skipped) where ncdump is not installed (Debian: netcdf-bin).
set -u
rumo=$(realpath -e "$1") || exit 2
examples=$(realpath -e "$2") || exit 2
command -v ncdump >/dev/null 2>&1 || { echo "ncdump not found: skipped"; exit 77; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/rumo-netcdf.XXXXXX") || exit 2
trap 'rm -rf "$scratch"' EXIT
cp "$examples"/{hourly,climate,collector,answers}.txt "$scratch/"
(cd "$scratch" && "$rumo" --netcdf result.nc < answers.txt > /dev/null) || {
  echo "the example run with --netcdf failed"
  exit 1
}
failed=0
(cd "$scratch" && ncdump -h result.nc) > "$scratch/header.cdl"
if ! diff -u "$examples/result.cdl" "$scratch/header.cdl"; then
  echo "--- the header differs from examples/result.cdl"
  failed=1
fi
# The data as ncdump shows it; the library's own version attribute is not shown.
(cd "$examples" && ncdump result.nc) > "$scratch/committed.cdl"
(cd "$scratch" && ncdump result.nc) > "$scratch/made.cdl"
if ! diff -q "$scratch/committed.cdl" "$scratch/made.cdl" >/dev/null; then
  diff -u "$scratch/committed.cdl" "$scratch/made.cdl" | head -n 40
  echo "--- the run's NetCDF file differs from examples/result.nc"
  failed=1
fi
exit $failed
