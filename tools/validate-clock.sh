#!/usr/bin/env bash
# Clocks checked at one place, on the weather service's own downloads: the
# hourly and daily archives of Koeln-Bonn (02667) and Koeln-Stammheim (02968),
# whose daily totals the service sums from the same gauge's hours, imported
# for 2018 to 2020 as given and with each import option that moves one side
# wrong. As given, no warning; each wrong option, a warning for both stations
# with the shift it causes, or (--utc-offset) the import's refusal.
#
#   tools/validate-clock.sh <rumo> <folder of the real data (dwd-nrw)>
#
# Run by tools/validate-real.sh; not part of the test command. Exit 77
# (skipped) where the data are not there.
set -u
rumo=$(realpath -e "$1") || exit 2
data=$2
if [ ! -d "$data/hourly" ] || [ ! -d "$data/daily" ]; then
  echo "no real data in $data: skipped"
  exit 77
fi
scratch=$(mktemp -d "${TMPDIR:-/tmp}/rumo-clock.XXXXXX") || exit 2
trap 'rm -rf "$scratch"' EXIT
for id in 02667 02968; do
  unzip -q -o "$data"/hourly/stundenwerte_RR_${id}_*.zip 'produkt*' -d "$scratch/hourly" &&
    unzip -q -o "$data"/daily/tageswerte_KL_${id}_*.zip 'produkt*' -d "$scratch/daily" || exit 2
done

failed=0
# Imports with the options given to one side, runs, and compares the
# warnings' shifts with `expected` (empty: no warning).
check() {  # name expected hourly-options -- daily-options
  local name=$1 expected=$2 dir="$scratch/$1" hourly_options=() daily_options=()
  shift 2
  while [ $# -gt 0 ] && [ "$1" != -- ]; do hourly_options+=("$1"); shift; done
  shift
  daily_options=("$@")
  local common=(--start 2018-01-01 --end 2020-12-30)
  "$rumo" import --stations "$data/hourly/RR_Stundenwerte_Beschreibung_Stationen.txt" \
    --hourly "$scratch"/hourly/produkt* --out-dir "$dir" "${common[@]}" \
    "${hourly_options[@]}" > /dev/null || exit 2
  "$rumo" import --stations "$data/daily/KL_Tageswerte_Beschreibung_Stationen.txt" \
    --collector "$scratch"/daily/produkt* --columns STATIONS_ID,MESS_DATUM,RSK --out-dir "$dir" \
    "${common[@]}" "${daily_options[@]}" > /dev/null || exit 2
  "$rumo" -q --hourly "$dir/hourly.txt" --collector "$dir/collector.txt" -o "$dir/result.txt" \
    --start 2018-01-02 --end 2020-12-29 --max-distance inf > /dev/null 2> "$dir/stderr" || exit 2
  local found
  found=$(grep -o "stand at one place.*values [a-z0-9 ]* \(later\|earlier\)" "$dir/stderr" |
    sed 's/.*values //' | sort | uniq -c | sed 's/^ *//' | tr '\n' ';')
  echo "$name: ${found:-no warning}"
  [ "$found" = "$expected" ] || { echo "  expected ${expected:-no warning}"; failed=1; }
}

check "as given" "" --
check "hourly --time-zone +01:00" "2 1 hour earlier;" --time-zone +01:00 --
check "hourly --label start" "2 1 hour later;" --label start --
check "daily --date-label end" "2 a day later;" -- --date-label end
# Both sides in +01:00: the daily totals begin at 06:00 UTC, which is no
# hour of a written day in +01:00, so the import stops (124) with the way out.
"$rumo" import --stations "$data/daily/KL_Tageswerte_Beschreibung_Stationen.txt" \
  --collector "$scratch"/daily/produkt* --columns STATIONS_ID,MESS_DATUM,RSK \
  --out-dir "$scratch/utc-offset" --start 2018-01-01 --end 2020-12-30 --utc-offset +01:00 \
  > /dev/null 2> "$scratch/utc-offset.err"
status=$?
echo "daily --utc-offset +01:00: import status $status"
[ $status = 124 ] && grep -q "convert the result with rumo export" "$scratch/utc-offset.err" ||
  { echo "  expected the import to stop with 124 and name the way out"; failed=1; }
exit $failed
