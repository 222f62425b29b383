#!/usr/bin/env bash
# Read requests as a disk sees them: `vantor recover --all` against
# `tsk_recover -a` on the 2 GiB recovery volumes (bench/volumes.sh), counted with
# strace (pread64 and read calls) and given per GiB saved. On a spinning disk, a
# network share or a cloud volume the number of requests decides the time, not
# the page cache. Target: at most 5 000 requests per GiB saved.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/volumes.sh"
need tsk_recover strace

# requests_per_gib OUT COMMAND...: read calls of the command per GiB it wrote
# into OUT; fails when the command fails or saves less than the 960 MiB of the
# volume's large files.
requests_per_gib() {
  local out="$1" report calls bytes status=0
  shift
  report=$(mktemp)
  rm -rf "$out"
  strace -f -c -e trace=pread64,read -o "$report" "$@" >/dev/null 2>&1 || status=$?
  calls=$(awk '$NF == "total" {print $4}' "$report")
  bytes=$(du -sb "$out" 2>/dev/null | cut -f1)
  rm -f "$report"
  rm -rf "$out"
  ((status == 0)) || fail "exit $status from: $*"
  ((${bytes:-0} >= 960 << 20)) || fail "$* saved ${bytes:-0} bytes, less than the volume's 960 MiB"
  ((${calls:-0} > 0)) || fail "strace counted no read calls of: $*"
  echo "$calls * 1073741824 / $bytes" | bc -l
}

out=$(recover_output)
for fs in fat32 ntfs; do
  image=$(recover_volume "$fs")
  ours=$(requests_per_gib "$out" "$VANTOR" recover "$image" -o "$out" --all --include-system --quiet)
  peer=$(requests_per_gib "$out" tsk_recover -a -o 2048 "$image" "$out")
  printf 'BENCH\t%s\t%.0f\t%.0f\t%s\tlimit\n' "read requests per GiB saved, 2 GiB $fs volume" "$ours" "$peer" 5000
  printf 'read requests per GiB saved, %s: ours %.0f, tsk_recover %.0f (limit 5000)\n' "$fs" "$ours" "$peer" >&2
done
