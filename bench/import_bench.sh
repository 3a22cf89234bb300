#!/usr/bin/env bash
# The importer's workload: a year of hourly values of 1000 stations (8.8
# million rows, one long CSV per station), imported once. Reports the input
# read per second and the peak memory, measured by /usr/bin/time -v, against
# the targets: at least 100 MB/s, and at most twice the written values as
# doubles plus 64 MiB.
#
#   bench/import_bench.sh BUILD-DIR [DATA-DIR]
#
# The data (about 250 MB) is made by rumo_generate once and kept in DATA-DIR
# (default BUILD-DIR/bench/import-data).
#
# Then the weather service's real archives (tools/real-data-dir.sh finds
# them; a line says so where they are absent): the hourly archives, imported
# for 2020 as downloaded (zipped) and unpacked to a temporary folder, each
# reported in MB of product text read per second.
set -eu
build=$(realpath "$1")
data=${2:-$build/bench/import-data}
rumo=$build/rumo
generate=$build/bench/rumo_generate
stations=1000
days=365
if [ ! -f "$data/import/stations.csv" ]; then
  echo "generating $stations hourly stations over $days days in $data ..."
  "$generate" --out "$data" --hourly $stations --climate 0 --collector 0 --days $days \
    --start 2001-01-01 --seed 11 --import-layout long --quiet
fi
out=$(mktemp -d "${TMPDIR:-/tmp}/rumo-import-bench.XXXXXX")
trap 'rm -rf "$out"' EXIT
input_bytes=$(cat "$data"/import/hourly/*.csv "$data/import/stations.csv" | wc -c)
rows=$(($(cat "$data"/import/hourly/*.csv | wc -l) - stations))
# The files once through the page cache, so that the disk does not count.
cat "$data"/import/hourly/*.csv > /dev/null
/usr/bin/time -v -o "$out/time.txt" "$rumo" import --stations "$data/import/stations.csv" \
  --hourly "$data"/import/hourly/*.csv --out-dir "$out/imported" > "$out/summary.txt"
seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ {n = split($2, p, ":"); s = 0;
  for (i = 1; i <= n; ++i) s = s * 60 + p[i]; print s}' "$out/time.txt")
cpu=$(awk -F': ' '/User time|System time/ {s += $2} END {print s}' "$out/time.txt")
peak_kib=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$out/time.txt")
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
# The written values: every hour of the written period for every station.
written_rows=$(($(wc -l < "$out/imported/hourly.txt") - 5))
status=0
awk -v bytes="$input_bytes" -v rows="$rows" -v s="$seconds" -v cpu="$cpu" -v peak="$peak_kib" \
    -v values="$((written_rows * stations))" 'BEGIN {
  mb = bytes / 1e6; rate = mb / s; limit = (2 * values * 8 + 64 * 1048576) / 1048576;
  printf "input: %d rows, %.1f MB in %.2f s: %.0f MB/s (target at least 100)\n", rows, mb, s, rate;
  printf "processor time: %.2f s, %.0f MB/s; on a loaded machine this is the rate alone\n", cpu, mb / cpu;
  printf "peak memory: %.1f MiB for %d values (target at most %.1f MiB)\n", peak / 1024, values, limit;
  exit (rate >= 100 && peak / 1024 <= limit) ? 0 : 1 }' || status=1

# Wall and processor seconds of one import (`time.txt` of /usr/bin/time -v).
times() {
  awk -F': ' '/Elapsed \(wall clock\)/ {n = split($2, p, ":"); s = 0;
    for (i = 1; i <= n; ++i) s = s * 60 + p[i]; wall = s}
    /User time|System time/ {cpu += $2} END {print wall, cpu}' "$1"
}

real=$("$(dirname "$0")/../tools/real-data-dir.sh")
if [ -z "$real" ]; then
  echo "real archives: none (../shared/realdata/dwd-nrw is absent); skipped"
  exit $status
fi
archives=("$real"/hourly/stundenwerte_RR_*.zip)
list=$real/hourly/RR_Stundenwerte_Beschreibung_Stationen.txt
mkdir "$out/unpacked"
for archive in "${archives[@]}"; do unzip -q -o "$archive" 'produkt_*' -d "$out/unpacked"; done
product_bytes=$(cat "$out"/unpacked/produkt_* | wc -c)
# Both forms once through the page cache.
cat "${archives[@]}" "$out"/unpacked/produkt_* > /dev/null
for form in zipped unpacked; do
  if [ $form = zipped ]; then files=("${archives[@]}"); else files=("$out"/unpacked/produkt_*); fi
  /usr/bin/time -v -o "$out/time-$form.txt" "$rumo" import --stations "$list" --hourly "${files[@]}" \
    --start 2020-01-01 --end 2020-12-31 --out-dir "$out/real-$form" > "$out/summary-$form.txt"
  read -r seconds cpu < <(times "$out/time-$form.txt")
  awk -v form=$form -v n=${#files[@]} -v bytes="$product_bytes" -v s="$seconds" -v cpu="$cpu" 'BEGIN {
    mb = bytes / 1e6;
    printf "real archives, %s (%d files, %.1f MB of product text, 2020 imported): %.2f s, %.0f MB/s; processor time %.2f s, %.0f MB/s\n",
      form, n, mb, s, mb / s, cpu, mb / cpu }'
done
cmp -s "$out/real-zipped/hourly.txt" "$out/real-unpacked/hourly.txt" ||
  { echo "real archives: the zipped and the unpacked import differ" >&2; status=1; }
exit $status
