#!/usr/bin/env bash
# `vantor scan` against `fls -r -p` (The Sleuth Kit) on the NTFS volume of
# 100 000 files (bench/volumes.sh). Target: at most 0.5 × fls.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/volumes.sh"
need fls
image=$(ntfs_100k_volume)
"$VANTOR" scan "$image" -p 1 --quiet >/dev/null  # warm the page cache
printf 'records: vantor %d, fls %d\n' "$("$VANTOR" scan "$image" -p 1 --quiet | grep -c $'^[DF]\t')" \
  "$(fls -r -p -o 2048 "$image" | wc -l)" >&2
compare "NTFS scan, 100 000 files" 0.5 "'$VANTOR' scan '$image' -p 1 --quiet" "fls -r -p -o 2048 '$image'"
