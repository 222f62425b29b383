#!/usr/bin/env bash
# The exhaustive scans against `cat` of the whole image, both from the page
# cache: FAT (`vantor scan --exhaustive`, every cluster of the volume read and
# searched for folder entries) on the 2 GiB FAT32 volume filled to 1.5 GiB, and
# NTFS (every sector searched for file records and index blocks) on the 2 GiB
# volume of 100 000 files (bench/volumes.sh). Target: each scan reads at least
# 80 % as fast as cat, at most 1.25 × cat. Each exhaustive scan must list at
# least the names that fls lists on its volume, live and deleted; on the volumes
# of 100 000 files that is a row of its own (target >= 1.0, no path twice).
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/volumes.sh"
need fls
image=$(fat_2g_volume)
cat "$image" >/dev/null  # warm the page cache
exhaustive=$(lines records --exhaustive "$image")
normal=$(lines records "$image")
named=$(lines fls_names "$image")
echo "records: exhaustive scan $exhaustive, normal scan $normal, fls $named" >&2
((exhaustive >= named)) || fail "the FAT32 exhaustive scan lists $exhaustive records, fls $named"
compare "FAT32 exhaustive scan vs cat, 2 GiB" 1.25 "'$VANTOR' scan --quiet --exhaustive '$image'" "cat '$image'"

fat100k=$(fat_100k_volume)
atleast "names, FAT32 exhaustive scan / fls -r, 100 000 files" 1.0 \
  "$(unique_paths "FAT32 exhaustive scan" --exhaustive "$fat100k")" "$(lines fls_names "$fat100k")"

# The NTFS exhaustive scan of the volume of 100 000 files: against the plain
# read, against fls on the same volume, and its peak memory (target: 128 MB for
# the candidates of 100 000 records).
ntfs=$(ntfs_100k_volume)
cat "$ntfs" >/dev/null
exhaustive=$(lines records --exhaustive "$ntfs" -p 1)
normal=$(lines records "$ntfs" -p 1)
named=$(lines fls_names -o 2048 "$ntfs")
echo "records: exhaustive scan $exhaustive, normal scan $normal, fls $named" >&2
((exhaustive >= named)) || fail "the NTFS exhaustive scan lists $exhaustive records, fls $named"
atleast "names, NTFS exhaustive scan / fls -r, 100 000 files" 1.0 \
  "$(unique_paths "NTFS exhaustive scan" --exhaustive "$ntfs" -p 1)" "$named"
compare "NTFS exhaustive scan vs cat, 100 000 files" 1.25 "'$VANTOR' scan --quiet --exhaustive '$ntfs' -p 1" \
  "cat '$ntfs'"
compare "NTFS exhaustive scan vs fls, 100 000 files" 1.0 "'$VANTOR' scan --quiet --exhaustive '$ntfs' -p 1" \
  "fls -r -p -o 2048 '$ntfs'"
limit "peak memory, NTFS exhaustive scan of 100 000 files (MB)" 128 \
  "$(peak_mb "$VANTOR" scan --quiet --exhaustive "$ntfs" -p 1)" "$(peak_mb fls -r -p -o 2048 "$ntfs")"
