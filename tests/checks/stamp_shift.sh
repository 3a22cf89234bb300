#!/usr/bin/env bash
# Readings stamped a day late are found: of 20 generated networks whose
# climate and collector readings carry the totals of the day before, at least
# 19 get the warning; of 20 networks with the right stamps, at most 1.
#
#   stamp_shift.sh <rumo> <rumo_generate>
set -u
rumo=$1
generate=$2
scratch=$(mktemp -d "${TMPDIR:-/tmp}/rumo-shift.XXXXXX") || exit 2
trap 'rm -rf "$scratch"' EXIT

# Prints 1 if the network of `seed` with readings shifted by `days` is warned of.
warned() {  # seed days
  local dir="$scratch/$1_$2"
  "$generate" --out "$dir" --hourly 25 --climate 4 --collector 8 --days 62 --region 100000 \
    --seed "$1" --shift-readings "$2" --quiet > /dev/null || exit 2
  "$rumo" -q --hourly "$dir/hourly.txt" --climate "$dir/climate.txt" \
    --collector "$dir/collector.txt" -o "$dir/result.txt" --start 2001-01-01 --end 2001-03-01 \
    --max-distance 50000 > /dev/null 2> "$dir/stderr" || exit 2
  grep -q "are they stamped" "$dir/stderr" && echo 1 || echo 0
  rm -rf "$dir"
}

shifted=0
unshifted=0
for seed in $(seq 1 20); do
  shifted=$((shifted + $(warned "$seed" 1)))
  unshifted=$((unshifted + $(warned "$((seed + 100))" 0)))
done
echo "warned: $shifted of 20 shifted networks, $unshifted of 20 unshifted ones"
[ "$shifted" -ge 19 ] && [ "$unshifted" -le 1 ]
