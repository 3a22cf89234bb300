#!/usr/bin/env bash
# Prints the folder of the real data (the weather service's downloads,
# never copied into the project): RUMO_REAL_DATA where it is set, else
# ../shared/realdata/dwd-nrw beside the project, or beside the main checkout
# of a worktree. Prints nothing where none of them is there.
#
#   tools/real-data-dir.sh
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -n "${RUMO_REAL_DATA:-}" ]; then
  candidates=("$RUMO_REAL_DATA")
else
  candidates=("$root/../shared/realdata/dwd-nrw")
  common=$(git -C "$root" rev-parse --path-format=absolute --git-common-dir 2>/dev/null || true)
  [ -n "$common" ] && candidates+=("$(dirname "$common")/../shared/realdata/dwd-nrw")
fi
for folder in "${candidates[@]}"; do
  if [ -d "$folder/hourly" ]; then
    realpath "$folder"
    exit 0
  fi
done
