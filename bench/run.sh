#!/usr/bin/env bash
# Runs every benchmark against its peer in one run and prints one table:
# benchmark, our median, the peer's median, ratio, target, met or not. Timings
# are in seconds; the memory rows are in MB against a fixed limit.
# Needs a release build in build/ (make build) and root for the NTFS volumes.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
rows=$(mktemp)
trap 'rm -f "$rows"' EXIT
for script in cold-start vmdk-read fat-scan lost exhaustive state find raw imaging ntfs-scan recover io memory; do
  echo "== $script" >&2
  "$here/$script.sh" | grep $'^BENCH\t' >>"$rows" || echo "$script printed no result row" >&2
done
printf '\n%-48s %10s %10s %7s %8s %4s\n' benchmark ours peer ratio target met
awk -F'\t' '{
  ratio = ($4 > 0) ? $3 / $4 : 0
  if ($6 == "limit") printf "%-48s %10.1f %10.1f %7.2f %8s %4s\n", $2, $3, $4, ratio, "<= " $5, ($3 <= $5 ? "yes" : "no")
  else printf "%-48s %10.3f %10.3f %7.2f %8s %4s\n", $2, $3, $4, ratio, "<= " $5 "x", (ratio <= $5 ? "yes" : "no")
}' "$rows"
