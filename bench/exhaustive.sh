#!/usr/bin/env bash
# The exhaustive scans against `cat` of the whole image, both from the page
# cache: FAT (`vantor scan --exhaustive`, every cluster of the volume read and
# searched for folder entries) on the 2 GiB FAT32 volume filled to 1.5 GiB, and
# NTFS (every sector searched for file records and index blocks) on the 2 GiB
# volume of 100 000 files (bench/volumes.sh). Target: each scan reads at least
# 80 % as fast as cat, at most 1.25 × cat.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/volumes.sh"
image=$(fat_2g_volume)
cat "$image" >/dev/null  # warm the page cache
printf 'records: exhaustive scan %d, normal scan %d\n' \
  "$("$VANTOR" scan --quiet --exhaustive "$image" | grep -c $'^[DF]\t')" \
  "$("$VANTOR" scan --quiet "$image" | grep -c $'^[DF]\t')" >&2
compare "FAT32 exhaustive scan vs cat, 2 GiB" 1.25 "'$VANTOR' scan --quiet --exhaustive '$image'" "cat '$image'"

# The NTFS exhaustive scan of the volume of 100 000 files: against the plain
# read, against fls on the same volume, and its peak memory (target: 128 MB for
# the candidates of 100 000 records).
need fls
ntfs=$(ntfs_100k_volume)
cat "$ntfs" >/dev/null
printf 'records: exhaustive scan %d, normal scan %d, fls %d\n' \
  "$("$VANTOR" scan --quiet --exhaustive "$ntfs" -p 1 | grep -c $'^[DF]\t')" \
  "$("$VANTOR" scan --quiet "$ntfs" -p 1 | grep -c $'^[DF]\t')" "$(fls -r -p -o 2048 "$ntfs" | wc -l)" >&2
compare "NTFS exhaustive scan vs cat, 100 000 files" 1.25 "'$VANTOR' scan --quiet --exhaustive '$ntfs' -p 1" \
  "cat '$ntfs'"
compare "NTFS exhaustive scan vs fls, 100 000 files" 1.0 "'$VANTOR' scan --quiet --exhaustive '$ntfs' -p 1" \
  "fls -r -p -o 2048 '$ntfs'"
limit "peak memory, NTFS exhaustive scan of 100 000 files (MB)" 128 \
  "$(peak_mb "$VANTOR" scan --quiet --exhaustive "$ntfs" -p 1)" "$(peak_mb fls -r -p -o 2048 "$ntfs")"
