#!/usr/bin/env bash
# The example's NetCDF file: the run with --netcdf makes the file committed
# in examples/ (same header, same data), and its header is the golden one.
# With a CRS: the export of the imported example's hourly file (Gauss-Krueger
# zone 4) has the header of examples/hourly-gk4.cdl, but for the WKT texts,
# which are PROJ's own. A station with hourly and daily series has two
# series ids; with names from the station list, the series keep the source's
# ids.
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
cp "$examples/import/weather_service/expected/out/hourly.txt" "$scratch/gk4.txt"
(cd "$scratch" && "$rumo" export gk4.txt --kind hourly --netcdf gk4.nc) || {
  echo "the export of the imported hourly file failed"
  exit 1
}
(cd "$scratch" && ncdump -h gk4.nc | grep -v ':crs_wkt = ') > "$scratch/gk4.cdl"
if ! diff -u "$examples/hourly-gk4.cdl" "$scratch/gk4.cdl"; then
  echo "--- the header differs from examples/hourly-gk4.cdl"
  failed=1
fi
# The run on what an import case left (its expected/out), with --netcdf:
# the data of the variables VARS as ncdump shows them, without blanks.
series_of() {  # case vars
  cp -RL "$(dirname "$0")/cases/$1/expected/out" "$scratch/$1"
  (cd "$scratch/$1" && "$rumo" -q --hourly hourly.txt --collector collector.txt -o result.txt \
    --start 2020-07-01 --end 2020-07-02 --max-distance inf --netcdf run.nc) || {
    echo "the run on what $1 imported failed" >&2
    return 1
  }
  (cd "$scratch/$1" && ncdump -v "$2" run.nc) | sed -n '/^data:/,$p' | tr -d ' \n'
}
check_series() {  # case vars expected
  local series
  series=$(series_of "$1" "$2") || exit 1
  if [ "$series" != "$3" ]; then
    echo "--- the series of the run on what $1 imported: $series"
    failed=1
  fi
}
# One station's hourly and daily series (station 2 of the case
# import_service_same_id, imported from both archives) stay two series of
# the run, H2 and S2, both named by the station's id.
check_series import_service_same_id station_id,station_name,source_id,station_kind \
  'data:station_id="H1","H2","H3","S2";station_name="1","2","3","2";source_id="1","2","3","2";station_kind=1,1,1,3;}'
# Imported with the stations' names (--names name), the run's series keep
# the ids of the service, from the files' titles.
check_series import_service_daily_climate station_id,source_id \
  'data:station_id="H1","H2","H3","S40001","S40002";source_id="1","2","3","40001","40002";}'
exit $failed
