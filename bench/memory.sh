#!/usr/bin/env bash
# Peak resident size of `vantor scan` on the FAT32 and NTFS volumes of 100 000
# files and the FAT32 volume of 1 000 000 files (bench/volumes.sh), with
# `fls -r -p` on the same volume for context. Targets: at most 64 MB for 100 000
# files, 150 MB for a million.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/volumes.sh"
need fls
fat=$(fat_100k_volume)
ntfs=$(ntfs_100k_volume)
million=$(fat_million_volume)

# lists MIN ARGS...: stops the benchmark unless `vantor scan ARGS` lists at least
# MIN records, the live folders and files of the volume.
lists() {
  local n
  n=$(lines records "${@:2}") || exit 1
  ((n >= $1)) || fail "vantor scan ${*:2} lists $n records, not the $1 live ones"
}
lists 94045 "$fat"        # 45 + 4 500 folders, 89 500 files
lists 90050 "$ntfs" -p 1  # 50 + 4 500 folders, 85 500 files
lists 1001000 "$million"  # 1 000 folders, 1 000 000 files

limit "peak memory, FAT32 scan of 100 000 files (MB)" 64 "$(peak_mb "$VANTOR" scan --quiet "$fat")" \
  "$(peak_mb fls -r -p "$fat")"
limit "peak memory, NTFS scan of 100 000 files (MB)" 64 "$(peak_mb "$VANTOR" scan "$ntfs" -p 1 --quiet)" \
  "$(peak_mb fls -r -p -o 2048 "$ntfs")"
limit "peak memory, FAT32 scan of 1 000 000 files (MB)" 150 "$(peak_mb "$VANTOR" scan --quiet "$million")" \
  "$(peak_mb fls -r -p "$million")"
