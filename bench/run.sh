#!/usr/bin/env bash
# Runs every benchmark against its peer in one run and prints one table:
# benchmark, our median, the peer's median, ratio, target, met or not. Timings
# are in seconds; the memory rows are in MB against a fixed limit. A benchmark
# that fails or prints no result row is a row of its own, not met. Exits 0 only
# when every row is met.
# Needs a release build in build/ (make build) and root for the NTFS volumes.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
rows=$(mktemp) out=$(mktemp)
trap 'rm -f "$rows" "$out"' EXIT
for script in cold-start vmdk-read fat-scan lost exhaustive state find raw imaging ntfs-scan recover io memory hostile; do
  echo "== $script" >&2
  "$here/$script.sh" >"$out"
  status=$?
  grep $'^BENCH\t' "$out" >>"$rows"
  if ((status != 0)); then
    printf 'FAILED\t%s.sh FAILED (exit %d)\n' "$script" "$status" >>"$rows"
  elif ! grep -q $'^BENCH\t' "$out"; then
    printf 'FAILED\t%s.sh FAILED (no result row)\n' "$script" >>"$rows"
  fi
done
printf '\n%-48s %10s %10s %7s %8s %4s\n' benchmark ours peer ratio target met
# A measure of 0 (or not a number) is a command that did not run: n/a, not met.
awk -F'\t' '
  $1 == "FAILED" { printf "%-48s %10s %10s %7s %8s %4s\n", $2, "-", "-", "-", "-", "no"; unmet++; next }
  {
    measured = $3 ~ /^[0-9]*[.]?[0-9]+$/ && $4 ~ /^[0-9]*[.]?[0-9]+$/ && $3 > 0 && $4 > 0
    if ($6 == "limit") { form = "%10.1f"; target = "<= " $5; met = $3 <= $5 }
    else if ($6 == "ratio") { form = "%10.3f"; target = "<= " $5 "x"; met = measured && $3 / $4 <= $5 }
    else if ($6 == "atleast") { form = "%10d"; target = ">= " $5 "x"; met = measured && $3 / $4 >= $5 }
    else { form = "%10s"; target = "?"; measured = 0 }
    printf "%-48s " form " " form " %7s %8s %4s\n", $2, $3, $4, (measured ? sprintf("%.2f", $3 / $4) : "-"), target,
      (measured ? (met ? "yes" : "no") : "n/a")
    if (!measured || !met) unmet++
  }
  END { exit unmet > 0 }
' "$rows" || { echo "run.sh: not every benchmark met its target" >&2; exit 1; }
