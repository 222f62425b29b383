#!/usr/bin/env bash
# `vantor scan --state` (the saved result read back) against the scan it saved,
# on the FAT32 volume of 100 000 files (bench/volumes.sh). Target: at most 0.5 ×
# the scan.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/volumes.sh"
image=$(fat_100k_volume)
state="$BENCH_CACHE/FAT32-100K.ST4"
rm -f "$state"
# The scan that saves the state also warms the page cache.
"$VANTOR" scan --quiet "$image" --save-state "$state" >/dev/null || fail "vantor scan --save-state: exit $?"
[ -s "$state" ] || fail "vantor scan --save-state wrote no $state"
scanned=$(lines records "$image")
loaded=$(lines records "$image" --state "$state")
printf 'state file: %s bytes; records: scanned %d, loaded %d\n' "$(stat -c %s "$state")" "$scanned" "$loaded" >&2
((loaded == scanned)) || fail "the saved state gives $loaded records, the scan $scanned"
compare "saved state loaded, 100 000 files (vs its scan)" 0.5 \
  "'$VANTOR' scan --quiet '$image' --state '$state'" "'$VANTOR' scan --quiet '$image'"
