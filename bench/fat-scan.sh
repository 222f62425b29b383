#!/usr/bin/env bash
# `vantor scan` against `fls -r -p` (The Sleuth Kit) on the FAT32 volume of
# 100 000 files (bench/volumes.sh). Target: at most 1.0 × fls.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/volumes.sh"
need fls
image=$(fat_100k_volume)
# The scan must list at least the live and deleted entries that fls finds in
# the folders; the exhaustive scan also those of the later clusters of the
# deleted folders, which fls lists under $OrphanFiles.
ours=$(lines records "$image")  # also warms the page cache
exhaustive=$(lines records "$image" --exhaustive)
named=$(lines fls_names "$image")
orphans=$(fls_names "$image" | grep -c $'\t\\$OrphanFiles/')
echo "records: vantor $ours, exhaustive $exhaustive; fls $named names, $orphans of them under \$OrphanFiles" >&2
((ours >= named - orphans)) || fail "vantor scan lists $ours records, fls $((named - orphans)) in the folders"
((exhaustive >= named)) || fail "vantor scan --exhaustive lists $exhaustive records, fls $named"
compare "FAT32 scan, 100 000 files" 1.0 "'$VANTOR' scan --quiet '$image'" "fls -r -p '$image'"
