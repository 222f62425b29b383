#!/usr/bin/env bash
# `vantor scan --exhaustive` (every cluster of the volume read and searched for
# folder entries) against `cat` of the whole image, on the 2 GiB FAT32 volume
# filled to 1.5 GiB (bench/volumes.sh), both from the page cache. Target: the
# scan reads at least 80 % as fast as cat, at most 1.25 × cat.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/volumes.sh"
image=$(fat_2g_volume)
cat "$image" >/dev/null  # warm the page cache
printf 'records: exhaustive scan %d, normal scan %d\n' \
  "$("$VANTOR" scan --quiet --exhaustive "$image" | grep -c $'^[DF]\t')" \
  "$("$VANTOR" scan --quiet "$image" | grep -c $'^[DF]\t')" >&2
compare "FAT32 exhaustive scan vs cat, 2 GiB" 1.25 "'$VANTOR' scan --quiet --exhaustive '$image'" "cat '$image'"
