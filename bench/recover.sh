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
source "$REPO/tests/fixtures/scratch.sh"
RUNS="${RUNS:-3}"
need mkfs.fat mcopy sfdisk tsk_recover
export MTOOLS_SKIP_CHECK=1

make_tree() {  # make_tree DIR
  local d=$1 i f
  for i in $(seq -w 1 160); do
    mkdir -p "$d/large $((10#$i % 8))"
    head -c $(((4 + 10#$i % 5) * 1024 * 1024)) /dev/urandom >"$d/large $((10#$i % 8))/file $i.bin"
  done
  for f in $(seq -w 1 20); do
    mkdir -p "$d/small/folder $f"
    for i in $(seq -w 1 100); do head -c $((10#$i * 97)) /dev/urandom >"$d/small/folder $f/note $i.txt"; done
  done
}

new_disk() {  # new_disk IMAGE TYPE
  rm -f "$1"
  truncate -s 2G "$1"
  printf 'label: dos\nstart=2048, type=%s\n' "$2" | sfdisk -q "$1"
}

build_fat() {
  local image="$BENCH_CACHE/recover-fat32.img" tree
  [ -f "$image" ] && return
  echo "building $image (once)..." >&2
  tree="$(mktemp -d "$BENCH_CACHE/tree.XXXXXX")"
  make_tree "$tree"
  new_disk "$image.tmp" c
  mkfs.fat -F 32 -s 8 --offset 2048 -n BENCH "$image.tmp" $((2 * 1024 * 1024 - 1024)) >/dev/null
  mcopy -s -Q -i "$image.tmp@@$((2048 * 512))" "$tree"/* ::/
  rm -rf "$tree"
  mv "$image.tmp" "$image"
}

build_ntfs() {
  local image="$BENCH_CACHE/recover-ntfs.img" tree
  [ -f "$image" ] && return
  if [ "$(id -u)" -ne 0 ] || [ ! -c /dev/fuse ] || ! command -v ntfs-3g >/dev/null; then
    echo "recover: NTFS volume skipped (needs root, /dev/fuse and ntfs-3g)" >&2
    return
  fi
  echo "building $image (once)..." >&2
  tree="$(mktemp -d "$BENCH_CACHE/tree.XXXXXX")"
  make_tree "$tree"
  new_disk "$image.tmp" 7
  scratch_folder
  loop=$(losetup -f --show -o $((2048 * 512)) --sizelimit $(((2 << 30) - 2048 * 512)) "$image.tmp")
  mkntfs -q -Q -F -c 4096 -p 2048 -H 255 -S 63 -L bench "$loop" >/dev/null
  ntfs-3g "$loop" "$work/mnt"
  cp -r "$tree"/. "$work/mnt"/
  umount "$work/mnt"
  losetup -d "$loop"
  loop=""
  rm -rf "$tree"
  mv "$image.tmp" "$image"
}

build_fat
build_ntfs
# The recoveries go to memory when there is room: on a disk file system the
# inodes freed by one run slow down the files the next run creates, which
# measures the file system rather than the tools.
out="$BENCH_CACHE/recover-out"
[ "$(df -k --output=avail /dev/shm | tail -1)" -gt $((3 << 20)) ] && out=/dev/shm/vantor-bench-recover-$$
for fs in fat32 ntfs; do
  image="$BENCH_CACHE/recover-$fs.img"
  [ -f "$image" ] || continue
  cat "$image" >/dev/null  # warm the page cache
  compare "recover all, 2 GiB $fs volume" 1.0 "'$VANTOR' recover '$image' -o '$out' --all --quiet" \
    "tsk_recover -a -o 2048 '$image' '$out'" "rm -rf '$out'; sync"
done
