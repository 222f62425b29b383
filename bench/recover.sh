#!/usr/bin/env bash
# `vantor recover --all` against `tsk_recover -a` (The Sleuth Kit) on a 2 GiB
# FAT32 volume and a 2 GiB NTFS volume (each an MBR disk with the volume at
# sector 2048), both holding 1 GiB in 160 files of 4 to 8 MiB and 2000 small
# files in 20 folders. The disks are built once and cached (the NTFS one needs
# root and /dev/fuse for ntfs-3g); each run writes into a fresh folder, after a
# sync, so that no run pays for writing back what the one before it wrote.
# Target: at most 1.0 × tsk_recover.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/volumes.sh"
RUNS="${RUNS:-3}"
need tsk_recover

out=$(recover_output)
for fs in fat32 ntfs; do
  image=$(recover_volume "$fs")
  [ -n "$image" ] || continue
  cat "$image" >/dev/null  # warm the page cache
  compare "recover all, 2 GiB $fs volume" 1.0 "'$VANTOR' recover '$image' -o '$out' --all --include-system --quiet" \
    "tsk_recover -a -o 2048 '$image' '$out'" "rm -rf '$out'; sync"
done
