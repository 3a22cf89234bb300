#!/usr/bin/env bash
# Readings stamped a day late are found: of 20 generated networks whose
# readings carry the totals of the day before, at least 19 get the warning;
# of 20 networks with the right stamps, at most 1. Twice: climate and
# collector stations over 62 days (each station judged on its own), and 6
# collector stations over 20 days (too few wet days for one station alone:
# judged together).
#
#   stamp_shift.sh <rumo> <rumo_generate>
set -u
rumo=$1
generate=$2
scratch=$(mktemp -d "${TMPDIR:-/tmp}/rumo-shift.XXXXXX") || exit 2
trap 'rm -rf "$scratch"' EXIT

# Prints 1 if the network of `seed` with readings shifted by `days` is warned of.
warned() {  # seed days climate collector run-days end
  local dir="$scratch/$1_$2"
  "$generate" --out "$dir" --hourly 25 --climate "$3" --collector "$4" --days "$5" \
    --region 100000 --seed "$1" --shift-readings "$2" --quiet > /dev/null || exit 2
  local files=(--hourly "$dir/hourly.txt" --collector "$dir/collector.txt")
  [ "$3" -gt 0 ] && files+=(--climate "$dir/climate.txt")
  "$rumo" -q "${files[@]}" -o "$dir/result.txt" --start 2001-01-01 --end "$6" \
    --max-distance 50000 > /dev/null 2> "$dir/stderr" || exit 2
  grep -q "are they stamped" "$dir/stderr" && echo 1 || echo 0
  rm -rf "$dir"
}

failed=0
check() {  # what climate collector run-days end
  local shifted=0 unshifted=0 seed
  for seed in $(seq 1 20); do
    shifted=$((shifted + $(warned "$seed" 1 "${@:2}")))
    unshifted=$((unshifted + $(warned "$((seed + 100))" 0 "${@:2}")))
  done
  echo "$1: warned $shifted of 20 shifted networks, $unshifted of 20 unshifted ones"
  [ "$shifted" -ge 19 ] && [ "$unshifted" -le 1 ] || failed=1
}

check "4 climate and 8 collector stations, 62 days" 4 8 62 2001-03-01
check "6 collector stations, 20 days" 0 6 20 2001-01-20
exit $failed
