#!/usr/bin/env bash
# `vantor find` over a saved scan of the FAT32 volume of 100 000 files
# (bench/volumes.sh) against `fls -r -p | grep -i` on the same volume: the
# pattern answered from the loaded state, the peer walking the volume. Both
# must give the same number of hits. Targets: at most 1 × the peer, and under
# one second (printed beside the row).
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/volumes.sh"
need fls
image=$(fat_100k_volume)
state="$BENCH_CACHE/FAT32-100K.ST4"
rm -f "$state"
# The scan that saves the state also warms the page cache.
"$VANTOR" scan --quiet "$image" --save-state "$state" >/dev/null || fail "vantor scan --save-state: exit $?"
ours="'$VANTOR' find --quiet '$image' --state '$state' '*of 07-05*'"
peer="fls -r -p '$image' | grep -i 'of 07-05[^/]*\$'"
hits=$(lines bash -o pipefail -c "$ours")
peer_hits=$(lines bash -o pipefail -c "$peer")
echo "hits: vantor $hits, fls|grep $peer_hits" >&2
((hits == peer_hits)) || fail "vantor find gives $hits hits, fls|grep $peer_hits"
compare "find over a saved scan, 100 000 files (vs fls|grep)" 1.0 "$ours" "$peer"
