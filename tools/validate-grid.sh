#!/usr/bin/env bash
# Validation of the hourly grids on real data: the hourly stations of North
# Rhine-Westphalia in 2020 (../shared/realdata/dwd-nrw, never copied into the
# project) split into three groups by their order of id: half are sources,
# a quarter are treated as collector stations (their hours summed to
# collector days, hour 7 to hour 6, which the run then disaggregates from
# the sources), a quarter are held out. At each held-out station's place the
# grid is compared with the station's own hours, for the grid from the
# hourly sources alone and for the grid from the sources together with the
# disaggregated collector stations. Prints the figures as a Markdown
# section (tools/validate-real.sh adds it to docs/real-data.md).
#
#   tools/validate-grid.sh [BUILD-DIR [DATA-DIR]]   (build, the data folder)
#
# RUMO_GRID_DISTANCE (50000 m) and RUMO_GRID_POWER (2) set the run's
# maximum distance and power. Each held-out station gets a grid of one cell
# of 1 m centred at its place (--grid-extent), so that the cell's value is
# the grid's estimate there. Exit status 0 (also when the data are absent,
# with a line that says so), 2 when the program is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build}")
rumo=$build/rumo
# The data live beside the project's main checkout; a worktree finds them
# through the checkout it belongs to.
data=${2:-${RUMO_REAL_DATA:-}}
if [ -z "$data" ]; then
  data=$root/../shared/realdata/dwd-nrw
  common=$(git -C "$root" rev-parse --path-format=absolute --git-common-dir 2>/dev/null || true)
  if [ ! -d "$data" ] && [ -n "$common" ]; then
    data=$(dirname "$common")/../shared/realdata/dwd-nrw
  fi
fi
if [ ! -d "$data/hourly" ]; then
  echo "validate-grid: no real data at $data (hourly/); skipped"
  exit 0
fi
data=$(realpath "$data")
if [ ! -x "$rumo" ]; then
  echo "validate-grid: no program at $rumo; build it first (tools/test.sh)" >&2
  exit 2
fi
command -v ncdump > /dev/null || { echo "validate-grid: ncdump not found; skipped"; exit 0; }

distance=${RUMO_GRID_DISTANCE:-50000}
power=${RUMO_GRID_POWER:-2}
work=$(mktemp -d "${TMPDIR:-/tmp}/rumo-validate-grid.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The product files of the archives that cover the year, unpacked as they
# are (the importer reads text files).
python3 - "$data/hourly" "$work/products" << 'EOF'
import glob, os, re, sys, zipfile
source, target = sys.argv[1], sys.argv[2]
os.makedirs(target)
for archive in sorted(glob.glob(os.path.join(source, "stundenwerte_RR_*_hist.zip"))):
    first, last = re.search(r"_(\d{8})_(\d{8})_hist\.zip$", archive).groups()
    if first > "20200101" or last < "20201231":
        continue
    with zipfile.ZipFile(archive) as z:
        for name in z.namelist():
            if name.startswith("produkt_rr_stunde_"):
                with open(os.path.join(target, name), "wb") as out:
                    out.write(z.read(name))
EOF
"$rumo" import --stations "$data/hourly/RR_Stundenwerte_Beschreibung_Stationen.txt" \
  --hourly "$work"/products/*.txt --start 2020-01-01 --end 2020-12-31 --crs EPSG:25832 \
  --out-dir "$work/imported" > "$work/import.txt"

# The three groups: sources.txt, collector.txt and the held-out stations'
# places (one line each: name x y).
counts=$(python3 - "$work" << 'EOF'
import sys
work = sys.argv[1]
lines = open(f"{work}/imported/hourly.txt").read().split("\n")
title, header, records = lines[0], [l.split("\t") for l in lines[1:5]], [l.split("\t") for l in lines[5:] if l]
names = header[3][4:]
order = sorted(range(len(names)), key=lambda i: int(names[i]))
held = [i for k, i in enumerate(order) if k % 4 == 0]
collectors = [i for k, i in enumerate(order) if k % 4 == 1]
sources = [i for k, i in enumerate(order) if k % 4 > 1]

def station_header(which, kind):
    text = [f"{kind}; time UTC+00:00, hour h ends at h:00; crs EPSG:25832"]
    text += ["\t".join(h[:4] + [h[4 + i] for i in which]) for h in header]
    return text

with open(f"{work}/sources.txt", "w") as out:
    out.write("\n".join([title] + station_header(sources, "x")[1:] +
                        ["\t".join(r[:4] + [r[4 + i] for i in sources]) for r in records]) + "\n")
# A collector day is stamped hour 7 and sums hour 7 of its date to hour 6 of
# the next; a missing hour makes it missing.
days = []
for k, r in enumerate(records):
    if r[3] != "7" or k + 24 > len(records):
        continue
    sums = []
    for i in collectors:
        hours = [float(records[k + h][4 + i]) for h in range(24)]
        sums.append("-9999" if min(hours) <= -9998 else f"{round(sum(hours), 1):g}")
    days.append("\t".join(r[:4] + sums))
with open(f"{work}/collector.txt", "w") as out:
    out.write("\n".join(station_header(collectors, "daily sums of hourly stations [mm]") + days) + "\n")
with open(f"{work}/held.txt", "w") as out:
    for i in held:
        out.write(f"{names[i]} {header[1][4 + i]} {header[2][4 + i]}\n")
print(len(sources), len(collectors), len(held))
EOF
)
read -r n_sources n_collectors n_held <<< "$counts"

# One run per variant and held-out station, with a one-cell grid at its place.
for variant in alone together; do
  extra=()
  [ $variant = together ] && extra=(--collector "$work/collector.txt")
  while read -r name x y; do
    extent=$(python3 -c "print(f'{$x - 0.5!r},{$y - 0.5!r},{$x + 0.5!r},{$y + 0.5!r}')")
    "$rumo" -q --hourly "$work/sources.txt" "${extra[@]}" -o "$work/result-$variant.txt" \
      --start 2020-01-01 --end 2020-12-31 --max-distance "$distance" --power "$power" \
      --grid-netcdf "$work/grid.nc" --grid-cell 1 --grid-extent "$extent" > /dev/null
    ncdump -v precipitation "$work/grid.nc" | sed -n '/^ precipitation =/,/;/p' |
      tr -d ' ;\n' | sed 's/^precipitation=//' > "$work/$variant-$name.txt"
  done < "$work/held.txt"
done

python3 - "$work" "$n_sources" "$n_collectors" "$n_held" "$distance" "$power" << 'EOF'
import math, sys
work, n_sources, n_collectors, n_held, distance, power = sys.argv[1:]
lines = open(f"{work}/imported/hourly.txt").read().split("\n")
names = lines[4].split("\t")[4:]
observed = {}
for l in lines[5:]:
    if l:
        f = l.split("\t")
        observed[tuple(f[:4])] = f[4:]
stamps = [tuple(l.split("\t")[:4]) for l in open(f"{work}/result-alone.txt").read().split("\n")[5:] if l]
held = [l.split()[0] for l in open(f"{work}/held.txt")]

def figures(variant):
    pairs, days, unreached = [], [], 0
    for name in held:
        column = names.index(name)
        grid = open(f"{work}/{variant}-{name}.txt").read().split(",")
        hours = []
        for stamp, g in zip(stamps, grid):
            o = float(observed[stamp][column])
            value = None if g == "_" or o <= -9998 else (float(g), o)
            unreached += g == "_"
            hours.append((stamp, value))
        pairs += [v for _, v in hours if v]
        for k, (stamp, _) in enumerate(hours):
            day = [v for _, v in hours[k:k + 24]]
            if stamp[3] == "7" and len(day) == 24 and all(day):
                days.append((sum(g for g, _ in day), sum(o for _, o in day)))
    def rmse(p):
        return math.sqrt(sum((g - o) ** 2 for g, o in p) / len(p))
    n = len(pairs)
    mg, mo = sum(g for g, _ in pairs) / n, sum(o for _, o in pairs) / n
    cov = sum((g - mg) * (o - mo) for g, o in pairs)
    corr = cov / math.sqrt(sum((g - mg) ** 2 for g, _ in pairs) * sum((o - mo) ** 2 for _, o in pairs))
    day_corr_pairs = days
    dg, do = sum(g for g, _ in days) / len(days), sum(o for _, o in days) / len(days)
    day_corr = sum((g - dg) * (o - do) for g, o in days) / math.sqrt(
        sum((g - dg) ** 2 for g, _ in days) * sum((o - do) ** 2 for _, o in days))
    return (n, rmse(pairs), corr, mg - mo, len(days), rmse(days), day_corr, dg - do, unreached)

rows = {v: figures(v) for v in ("alone", "together")}
print(f"""## Hourly grids against held-out stations

The hourly stations of 2020, sorted by id and dealt out in turn: {n_held} held
out (every fourth), {n_collectors} treated as collector stations (their hours
summed to collector days, hour 7 to hour 6 of the next day, a day with a
missing hour missing) and {n_sources} sources. The grid (`--grid-netcdf`, power
{power}, maximum distance {distance} m, every source in reach) is read at each
held-out station's place (a grid of one cell of 1 m centred there) and
compared with the station's own hours, which no run saw: over the hours
where both have a value, and over the days (hour 7 to hour 6) with all 24
such hours. "alone": the grid from the {n_sources} hourly sources; "with
collectors": from the sources and the {n_collectors} collector stations whose
days the run disaggregated after the sources' hours.

| grid from | hours | rmse (mm) | corr | bias (mm) | days | day rmse (mm) | day corr | day bias (mm) |
|---|---|---|---|---|---|---|---|---|""")
for variant, label in (("alone", "hourly sources alone"), ("together", "sources and collectors")):
    n, r, c, b, d, dr, dc, db, _ = rows[variant]
    print(f"| {label} | {n} | {r:.4f} | {c:.3f} | {b:+.4f} | {d} | {dr:.3f} | {dc:.3f} | {db:+.3f} |")
a, t = rows["alone"], rows["together"]
print(f"""
With the collector stations the hourly rmse is {100 * (t[1] / a[1] - 1):+.1f} %, the
daily rmse {100 * (t[5] / a[5] - 1):+.1f} % and the hourly correlation {t[2] - a[2]:+.3f} of the
grid from the hourly sources alone. Hours of a held-out place with no source
in reach (written as missing): {a[8]} alone, {t[8]} with collectors.""")
EOF
