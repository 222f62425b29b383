#!/usr/bin/env bash
# `vantor recover --all` against `tsk_recover -a` (The Sleuth Kit) on a 2 GiB
# FAT32 volume and a 2 GiB NTFS volume (each an MBR disk with the volume at
# sector 2048), both holding 1 GiB in 160 files of 4 to 8 MiB and 2000 small
# files in 20 folders. The disks are built once and cached (the NTFS one needs
# root and /dev/fuse for ntfs-3g); each run writes into a fresh folder, after a
# sync, so that no run pays for writing back what the one before it wrote.
# Target: at most 1.0 × tsk_recover.
set -euo pipefail
RUNS="${RUNS:-3}"
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/volumes.sh"
need tsk_recover

out=$(recover_output)
peer_out="$out-tsk"
trap 'rm -rf "$out" "$peer_out"' EXIT
for fs in fat32 ntfs; do
  image=$(recover_volume "$fs")
  cat "$image" >/dev/null  # warm the page cache
  ours="'$VANTOR' recover '$image' -o '$out' --all --include-system --quiet"
  peer="tsk_recover -a -o 2048 '$image' '$peer_out'"
  # Ours must save each file that tsk_recover saves, with the same bytes (it
  # saves the deleted ones too).
  rm -rf "$out" "$peer_out"
  bash -c "$ours" >/dev/null || fail "exit $? from: $ours"
  bash -c "$peer" >/dev/null || fail "exit $? from: $peer"
  saved=$(lines find "$peer_out" -type f)
  differing=$(cd "$peer_out" && find . -type f | while IFS= read -r f; do cmp -s "$f" "$out/$f" || echo "$f"; done)
  [ -z "$differing" ] || fail "of the $saved files tsk_recover saves from $image, vantor misses or differs in:
$(head -5 <<<"$differing")"
  echo "$fs: vantor saves the $saved files that tsk_recover saves, with the same bytes" >&2
  rm -rf "$peer_out"
  compare "recover all, 2 GiB $fs volume" 1.0 "$ours" "tsk_recover -a -o 2048 '$image' '$out'" "rm -rf '$out'; sync"
done
