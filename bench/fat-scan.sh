#!/usr/bin/env bash
# `vantor scan` against `fls -r -p` (The Sleuth Kit) on the FAT32 volume of
# 100 000 files (bench/volumes.sh). Target: at most 1.0 × fls.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/volumes.sh"
need fls
image=$(fat_100k_volume)
"$VANTOR" scan --quiet "$image" >/dev/null  # warm the page cache
# The exhaustive scan also lists the entries left in the later clusters of the
# deleted folders, which fls lists under $OrphanFiles.
printf 'records: vantor %d, exhaustive %d, fls %d (fls adds the label and its virtual entries)\n' \
  "$("$VANTOR" scan --quiet "$image" | grep -c $'^[DF]\t')" \
  "$("$VANTOR" scan --quiet --exhaustive "$image" | grep -c $'^[DF]\t')" "$(fls -r -p "$image" | wc -l)" >&2
compare "FAT32 scan, 100 000 files" 1.0 "'$VANTOR' scan --quiet '$image'" "fls -r -p '$image'"
