#!/usr/bin/env bash
# `vantor scan` against `fls -r -p` (The Sleuth Kit) on the NTFS volume of
# 100 000 files (bench/volumes.sh). Target: at most 0.5 × fls.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/volumes.sh"
need fls
image=$(ntfs_100k_volume)
# The scan must list at least the live and deleted files and folders that fls
# finds in the folders (its $OrphanFiles are the MFT's reserved records).
ours=$(lines records "$image" -p 1)  # also warms the page cache
named=$(lines fls_names -o 2048 "$image")
orphans=$(fls_names -o 2048 "$image" | grep -c $'\t\\$OrphanFiles/')
echo "records: vantor $ours; fls $named names, $orphans of them under \$OrphanFiles" >&2
((ours >= named - orphans)) || fail "vantor scan lists $ours records, fls $((named - orphans)) in the folders"
compare "NTFS scan, 100 000 files" 0.5 "'$VANTOR' scan '$image' -p 1 --quiet" "fls -r -p -o 2048 '$image'"
