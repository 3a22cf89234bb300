#!/usr/bin/env bash
# The example's result with three decimals: the hours of two halves whose
# reading is 0.1 mm must add up to 0.1 within the rounding of each hour
# (0.0005 times the hours).
#   decimals_sum.sh <result file>
set -eu
awk -F'\t' '
  # K0001 (column 11): hours 7 to 18 of 30 July; K0003 (column 13): hour 19
  # of 29 July to hour 6 of 30 July.
  $2 == 7 && $3 == 30 && $4 >= 7 && $4 <= 18 { k1 += $11; n1++ }
  ($2 == 7 && $3 == 29 && $4 >= 19) || ($2 == 7 && $3 == 30 && $4 <= 6) { k3 += $13; n3++ }
  END {
    bad = (n1 != 12 || n3 != 12 || k1 < 0.1 - 0.006 || k1 > 0.1 + 0.006 ||
           k3 < 0.1 - 0.006 || k3 > 0.1 + 0.006)
    printf "K0001 %d hours sum %.4f, K0003 %d hours sum %.4f\n", n1, k1, n3, k3
    exit bad
  }' "$1"
