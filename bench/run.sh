#!/usr/bin/env bash
# Runs every benchmark against its peer in one run and prints one table:
# benchmark, our median, the peer's median, ratio, target, met or not.
# Needs a release build in build/ (make build) and root for the NTFS volumes.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
rows=$(mktemp)
trap 'rm -f "$rows"' EXIT
for script in cold-start vmdk-read fat-scan ntfs-scan recover memory; do
  [ -x "$here/$script.sh" ] || continue
  echo "== $script" >&2
  "$here/$script.sh" | tee /dev/stderr | grep $'^BENCH\t' >>"$rows" || echo "$script printed no result row" >&2
done
printf '\n%-44s %12s %12s %8s %8s %5s\n' benchmark ours peer ratio target met
awk -F'\t' '{
  ratio = ($4 > 0) ? $3 / $4 : 0
  printf "%-44s %12.4f %12.4f %8.2f %8s %5s\n", $2, $3, $4, ratio, $5, (ratio <= $5 ? "yes" : "no")
}' "$rows"
