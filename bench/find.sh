#!/usr/bin/env bash
# `vantor find` over a saved scan of the FAT32 volume of 100 000 files
# (bench/volumes.sh) against `fls -r -p | grep -i` on the same volume: the
# pattern answered from the loaded state, the peer walking the volume. Targets:
# at most 1 × the peer, and under one second (printed beside the row).
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/volumes.sh"
need fls
image=$(fat_100k_volume)
state="$BENCH_CACHE/FAT32-100K.ST4"
"$VANTOR" scan --quiet "$image" --save-state "$state" >/dev/null  # also warms the page cache
printf 'hits: vantor %d, fls|grep %d\n' \
  "$("$VANTOR" find --quiet "$image" --state "$state" '*of 07-05*' | wc -l)" \
  "$(fls -r -p "$image" | grep -ci 'of 07-05[^/]*$')" >&2
compare "find over a saved scan, 100 000 files (vs fls|grep)" 1.0 \
  "'$VANTOR' find --quiet '$image' --state '$state' '*of 07-05*'" "fls -r -p '$image' | grep -i 'of 07-05[^/]*\$'"
