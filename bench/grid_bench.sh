#!/usr/bin/env bash
# The grid's workload: a year (2020, 8784 hours) of a generated network of
# the size and extent of the real one in North Rhine-Westphalia (84 hourly
# and 8 collector stations over 250 km x 220 km), interpolated onto 1 km
# cells over the stations' bounding box (about 51,000 cells) from the 8
# nearest stations with a value (`--neighbours 8`, the run's own limit,
# which its stations take too), on two threads. Reports the wall and
# processor time and the peak memory, measured by /usr/bin/time -v, of the
# run with the grid and of the same run without it, against the targets: at
# most 60 s and under 1 GiB; then how long one hour's field and one cell's
# series take to read.
#
#   bench/grid_bench.sh BUILD-DIR [DATA-DIR]
#
# The data (2 MB) is made by rumo_generate once and kept in DATA-DIR
# (default BUILD-DIR/bench/grid-data). On a machine shared with other work,
# `chrt -f 10 bench/grid_bench.sh ...` keeps the wall time the program's own.
set -eu
build=$(realpath "$1")
data=${2:-$build/bench/grid-data}
if [ ! -f "$data/hourly.txt" ]; then
  echo "generating 84 hourly and 8 collector stations over 2020 in $data ..."
  "$build/bench/rumo_generate" --out "$data" --hourly 84 --climate 0 --collector 8 \
    --days 366 --start 2020-01-01 --region 250000 --region-north 220000 --seed 38 --quiet
fi
out=$(mktemp -d "${TMPDIR:-/tmp}/rumo-grid-bench.XXXXXX")
trap 'rm -rf "$out"' EXIT
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
run=(--threads 2 -q --hourly "$data/hourly.txt" --collector "$data/collector.txt"
  -o "$out/result.txt" --start 2020-01-01 --end 2020-12-31 --max-distance inf --neighbours 8)
measure() {  # label program args...
  local label=$1
  shift
  /usr/bin/time -v -o "$out/time.txt" "$@" > "$out/console.txt"
  awk -F': ' -v label="$label" '
    /Elapsed \(wall clock\)/ { n = split($2, p, ":"); for (i = 1; i <= n; ++i) wall = wall * 60 + p[i] }
    /User time|System time/ { cpu += $2 }
    /Maximum resident set size/ { peak = $2 / 1024 }
    END { printf "%-12s wall %6.2f s   cpu %6.2f s   peak %7.1f MiB\n", label, wall, cpu, peak }' \
    "$out/time.txt" | tee -a "$out/figures.txt"
}
measure result-only "$build/rumo" "${run[@]}"
measure with-grid "$build/rumo" "${run[@]}" --grid-netcdf "$out/grid.nc" --grid-cell 1000
cat "$out/console.txt"
echo "grid file: $(($(stat -c %s "$out/grid.nc") / 1048576)) MiB"
"$build/bench/rumo_grid_read" "$out/grid.nc"
awk '/with-grid/ { exit ($3 <= 60 && $9 < 1024) ? 0 : 1 }' "$out/figures.txt" &&
  echo "targets met: at most 60 s, under 1 GiB" || { echo "targets missed"; exit 1; }
