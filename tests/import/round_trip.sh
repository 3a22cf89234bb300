#!/usr/bin/env bash
# Round trip of the importer: a generated network written as long CSV (one
# file per hourly station, planar x/y in the station table), imported, and
# run with the command the importer prints; the result must equal, byte for
# byte, the run on the generator's own station files.
#
#   round_trip.sh <rumo> <rumo_generate> <seed>
set -eu
rumo=$(realpath "$1")
generate=$(realpath "$2")
seed=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/rumo-import-rt.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
"$generate" --out net --hourly 40 --climate 12 --collector 25 --days 31 --start 2003-12-15 \
  --seed "$seed" --region 120000 --gaps 0.02 --outages 0.01 --import-layout long --quiet
cd net
"$rumo" import --stations import/stations.csv --hourly import/hourly/*.csv \
  --climate import/climate.csv --collector import/collector.csv --out-dir imported \
  --start 2003-12-15 --end 2004-01-14 > summary.txt
# The run command the importer printed, with a maximum distance instead of inf.
command=$(grep -m1 '^  rumo --hourly imported/hourly.txt --climate' summary.txt)
command=${command#  rumo }
command=${command/--max-distance inf/--max-distance 40000}
options=(--start 2003-12-15 --end 2004-01-14 --max-distance 40000 -q)
"$rumo" --hourly hourly.txt --climate climate.txt --collector collector.txt -o own.txt "${options[@]}"
# shellcheck disable=SC2086
"$rumo" $command -q
cmp own.txt imported/result.txt
# The names, heights and coordinates survive: the header lines agree.
for file in hourly climate collector; do
  cmp <(sed -n 2,5p $file.txt) <(sed -n 2,5p imported/$file.txt)
done
echo "round trip of seed $seed: the results agree"
