#!/usr/bin/env bash
# Validation on real data: the weather service's downloads of North
# Rhine-Westphalia (../shared/realdata/dwd-nrw, never copied into the
# project), imported as downloaded and run as a user would, then compared
# with what the source itself says. Writes docs/real-data.md and prints the
# same figures. Not part of the test command; it takes a few minutes.
#
#   tools/validate-real.sh [BUILD-DIR [DATA-DIR]]
#
# BUILD-DIR: build; DATA-DIR: as tools/real-data-dir.sh finds it.
#
# Sections, each a function that prints its figures and adds a part to the
# page; a later check is one more function and one more line in main:
#   import_sources        the archives as downloaded, into station files
#   daily_follow_gauges   each daily station's written hours against its own
#                         gauge's hours (lags) and its written days against
#                         its readings
#   cross_validation      the hourly stations of 2020, hidden in turn
#   clock_check, grid_check, intensity_check   tools/validate-clock.sh,
#                         tools/validate-grid.sh and tools/validate-intensity.sh
# Exit status 0 when every check holds (or the data are absent), 1 when one
# fails, 2 when the program is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build}")
rumo=$build/rumo
data=${2:-$("$root/tools/real-data-dir.sh")}
if [ -z "$data" ] || [ ! -d "$data/hourly" ] || [ ! -d "$data/daily" ]; then
  echo "validate-real: no real data at ${data:-../shared/realdata/dwd-nrw} (hourly/ and daily/); nothing to validate"
  exit 0
fi
data=$(realpath "$data")
if [ ! -x "$rumo" ]; then
  echo "validate-real: no program at $rumo; build it first (tools/test.sh)" >&2
  exit 2
fi

year=2020
start=$year-01-01
end=$year-12-31
# The daily climate stations that also have hourly archives: their daily
# totals are disaggregated from the other stations and compared with their
# own gauge's hours.
daily_ids=(02667 02968)
work=$(mktemp -d "${TMPDIR:-/tmp}/rumo-validate.XXXXXX")
trap 'rm -rf "$work"' EXIT
parts=$work/parts
mkdir -p "$parts"
failed=0

# Adds the rest of the standard input to the page as part NAME.
part() { cat > "$parts/$1.md"; }

# The run command the import printed, without "rumo": the first line of the
# summary that holds WORD.
printed_command() {  # summary word
  grep -m1 -- "^  rumo .*$2" "$1" | sed 's/^  rumo //'
}

import_sources() {
  local hourly=() archive id own
  for archive in "$data"/hourly/stundenwerte_RR_*.zip; do
    own=0
    for id in "${daily_ids[@]}"; do [[ $archive == *"_RR_${id}_"* ]] && own=1; done
    [ $own = 1 ] || hourly+=("$archive")
  done
  local lists=("$data/hourly/RR_Stundenwerte_Beschreibung_Stationen.txt"
    "$data/daily/KL_Tageswerte_Beschreibung_Stationen.txt")
  # The daily stations' own hourly archives are left out of the sources.
  (cd "$work" && "$rumo" import --stations "${lists[@]}" --hourly "${hourly[@]}" \
    --collector "$data"/daily/tageswerte_KL_*.zip --start $start --end $end \
    --out-dir run > run-import.txt)
  # Every hourly station with a value in the year, for the cross-validation.
  (cd "$work" && "$rumo" import --stations "${lists[0]}" \
    --hourly "$data"/hourly/stundenwerte_RR_*.zip --start $start --end $end \
    --out-dir cv > cv-import.txt)
  echo "== import of the archives as downloaded"
  cat "$work/run-import.txt" "$work/cv-import.txt"
  part 1-import <<EOF
## The import

The ${#hourly[@]} hourly archives other than those of the daily stations, and
the daily climate archives of ${daily_ids[0]} and ${daily_ids[1]} as collector stations (their
total \`RSK\`), with the hourly and the daily climate station lists, as
downloaded:

    rumo import --stations RR_Stundenwerte_Beschreibung_Stationen.txt KL_Tageswerte_Beschreibung_Stationen.txt \\
        --hourly stundenwerte_RR_*.zip (without ${daily_ids[0]} and ${daily_ids[1]}) --collector tageswerte_KL_*.zip \\
        --start $start --end $end --out-dir run

\`\`\`
$(sed "s|$data/||g" "$work/run-import.txt")
\`\`\`

For the cross-validation, all hourly archives with the hourly list alone:

\`\`\`
$(sed "s|$data/||g" "$work/cv-import.txt")
\`\`\`
EOF
}

daily_follow_gauges() {
  local command
  command=$(printed_command "$work/run-import.txt" "--collector")
  # The printed command, with kept totals, so that each written day adds up
  # to its reading as written.
  # shellcheck disable=SC2086 # the command's words
  (cd "$work" && "$rumo" -q $command --keep-totals > run-console.txt)
  local archives=() id names=()
  for id in "${daily_ids[@]}"; do
    archives+=("$(ls "$data"/hourly/stundenwerte_RR_"${id}"_*.zip)")
    names+=("$((10#$id))")
  done
  local status=0
  (IFS=,; python3 "$work/follow.py" "$work/run/result.txt" "$work/run/collector.txt" \
    "${names[*]}" "${archives[@]}") > "$work/follow.md" || status=$?
  [ $status = 0 ] || failed=1
  echo
  echo "== daily stations against their own gauges ($([ $status = 0 ] && echo holds || echo FAILS))"
  cat "$work/follow.md"
  part 2-follow <<EOF
## Daily stations against their own gauges

The run the import printed, with \`--keep-totals\`:

    rumo $command --keep-totals

Each daily station's written hours, disaggregated from the other stations'
hours, against the hours of its own gauge, which the run never saw
(correlation over the hours of $year where both are present; lag +k pairs
the written hour with the gauge's hour k hours later). The conventions are
right where the best lag is 0.

$(sed -n '1,/^$/p' "$work/follow.md")

Each written day (hour 7 to hour 6 of the next day) against the station's
reading, in tenths of a millimetre as written; the last reading's day reaches
beyond the written hours. Beside it, for comparison, the share of the days on
which the station's own gauge's hours add up to the reading within 0.05 mm.

$(sed '1,/^$/d' "$work/follow.md")

The check $([ $status = 0 ] && echo "holds: best lag 0 and every written day equal to its reading at both stations" || echo "FAILS").
EOF
}

cross_validation() {
  local command
  command=$(printed_command "$work/cv-import.txt" "--cross-validate")
  # shellcheck disable=SC2086 # the command's words
  (cd "$work" && "$rumo" -q $command --cv-table cv/table.tsv > cv-console.txt)
  echo
  echo "== cross-validation of the hourly stations of $year"
  cat "$work/cv-console.txt"
  part 3-cross-validation <<EOF
## Cross-validation of $year

The hourly stations with a value in $year, each hidden in turn and estimated
from the others, with the command the import printed and \`--cv-table\`:

    rumo $command --cv-table cv/table.tsv

\`\`\`
$(cat "$work/cv-console.txt")
\`\`\`
EOF
}

write_page() {
  {
    cat <<EOF
# Real data: the weather service's downloads, end to end

Datenbasis: Deutscher Wetterdienst (DWD Climate Data Center, open data):
the hourly precipitation archives of North Rhine-Westphalia and the daily
climate archives of Köln-Bonn (02667) and Köln-Stammheim (02968), as the
service publishes them. What was changed: the values of $year were imported
into RUMO's station files (coordinates projected to UTM zone 32, the hours
and days placed on the program's hours in UTC), the daily totals (\`RSK\`)
of the two daily stations disaggregated into hours from the other hourly
stations, and the hourly stations cross-validated; the figures below are
computed from those results. The data are not part of the project.

Made by \`tools/validate-real.sh\`, which writes this page; run it again after
a change that touches the import or the run.

EOF
    local file
    for file in "$parts"/*.md; do
      cat "$file"
      echo
    done
  } > "$root/docs/real-data.md"
}

# The helper computations of daily_follow_gauges, in Python's standard library.
cat > "$work/follow.py" <<'EOF'
import sys, zipfile, math, datetime as dt

EPOCH = dt.date(1970, 1, 1)

def hour_index(y, m, d, h):
    """The hour that ends at h o'clock of the day, counted from 1970."""
    return (dt.date(y, m, d) - EPOCH).days * 24 + h - 1

def station_file(path):
    """Each station's present values of a station file, by hour."""
    lines = open(path, encoding='latin-1').read().split('\n')
    names = lines[4].split()[4:]
    series = {name: {} for name in names}
    for line in lines[5:]:
        f = line.split()
        if f:
            t = hour_index(*(int(x) for x in f[:4]))
            for name, value in zip(names, f[4:]):
                if float(value) > -9998:
                    series[name][t] = float(value)
    return series

def gauge(path):
    """R1 of the product file inside an hourly archive, by hour (UTC, end)."""
    with zipfile.ZipFile(path) as z:
        name = next(n for n in z.namelist() if n.startswith('produkt_'))
        lines = z.read(name).decode('latin-1').splitlines()
    head = [c.strip() for c in lines[0].split(';')]
    when, value = head.index('MESS_DATUM'), head.index('R1')
    series = {}
    for line in lines[1:]:
        f = [c.strip() for c in line.split(';')]
        if len(f) > value and float(f[value]) != -999:
            s = f[when]
            series[hour_index(int(s[:4]), int(s[4:6]), int(s[6:8]), int(s[8:10]))] = float(f[value])
    return series

def correlation(pairs):
    n = len(pairs)
    mx = sum(a for a, _ in pairs) / n
    my = sum(b for _, b in pairs) / n
    sxy = sum((a - mx) * (b - my) for a, b in pairs)
    sxx = sum((a - mx) ** 2 for a, _ in pairs)
    syy = sum((b - my) ** 2 for _, b in pairs)
    return sxy / math.sqrt(sxx * syy)

result, collector, names, archives = sys.argv[1], sys.argv[2], sys.argv[3].split(','), sys.argv[4:]
written, readings = station_file(result), station_file(collector)
failed = False
lag_rows, day_rows = [], []
for name, archive in zip(names, archives):
    w, g, r = written[name], gauge(archive), readings[name]
    lags = {}
    for k in range(-3, 4):
        pairs = [(w[t], g[t + k]) for t in w if t + k in g]
        lags[k] = (correlation(pairs), len(pairs))
    best = max(lags, key=lambda k: lags[k][0])
    failed |= best != 0
    lag_rows.append('| %s | %d | %s | %+d |' % (
        name, lags[0][1], ' | '.join('%.3f' % lags[k][0] for k in range(-3, 4)), best))
    equal = unequal = beyond = own_days = own_close = 0
    worst = 0.0
    for t0, reading in sorted(r.items()):
        hours = [w.get(t) for t in range(t0, t0 + 24)]
        if None in hours:
            beyond += 1
        elif round(sum(hours) * 10) == round(reading * 10):
            equal += 1
        else:
            unequal += 1
            worst = max(worst, abs(sum(hours) - reading))
        own = [g.get(t) for t in range(t0, t0 + 24)]
        if None not in own:
            own_days += 1
            own_close += abs(sum(own) - reading) <= 0.05
    failed |= unequal > 0
    day_rows.append('| %s | %d | %d | %d | %s | %d | %.1f %% of %d |' % (
        name, len(r), equal, unequal, '%.1f' % worst if unequal else '-', beyond,
        100.0 * own_close / own_days, own_days))
print('| station | hours | lag -3 h | -2 h | -1 h | 0 | +1 h | +2 h | +3 h | best lag |')
print('|---|---|---|---|---|---|---|---|---|---|')
print('\n'.join(lag_rows))
print()
print('| station | readings | written days equal | unequal | largest difference (mm) '
      '| beyond the written hours | own gauge within 0.05 mm |')
print('|---|---|---|---|---|---|---|')
print('\n'.join(day_rows))
sys.exit(1 if failed else 0)
EOF

# The clocks of the two stations that are both hourly and daily, checked
# with each import option set wrong (tools/validate-clock.sh).
clock_check() {
  echo "== clocks checked at one place"
  bash "$root/tools/validate-clock.sh" "$rumo" "$data" || failed=1
}

# Hourly grids at held-out stations, from the hourly sources alone and with
# disaggregated collector stations (tools/validate-grid.sh prints its part).
grid_check() {
  echo "== hourly grids at held-out stations"
  local section
  section=$(bash "$root/tools/validate-grid.sh" "$build" "$data") || failed=1
  echo "$section"
  part 4-grid <<<"$section"
}

# Neighbour limits and patterns, the hourly stations hidden in turn
# (tools/validate-intensity.sh writes its part).
intensity_check() {
  echo "== the rain's intensity"
  bash "$root/tools/validate-intensity.sh" "$build" "$data" "$parts/5-intensity.md" || failed=1
}

main() {
  import_sources
  daily_follow_gauges
  clock_check
  cross_validation
  grid_check
  intensity_check
  write_page
  echo
  echo "validate-real: wrote docs/real-data.md; $([ $failed = 0 ] && echo "every check holds" || echo "a check FAILS")"
  return $failed
}
main
