#!/usr/bin/env bash
# Times `vantor recover --all` against `tsk_recover -a` (The Sleuth Kit) on a
# 2 GiB FAT32 volume and a 2 GiB NTFS volume (each an MBR disk with the volume at
# sector 2048), both holding 1 GiB in 160 files of 4 to 8 MiB and 2000 small files
# in 20 folders. The disks are built once and cached under build/bench/ (the NTFS
# one needs root and /dev/fuse for ntfs-3g). Runs alternate, three each, into a
# fresh folder; prints the medians and the ratio vantor / tsk_recover.
#
#   bench/recover.sh [VANTOR_BINARY]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
vantor="${1:-$root/build/vantor}"
bench="$root/build/bench"
runs=3
for tool in mkfs.fat mcopy tsk_recover sfdisk; do
  command -v "$tool" >/dev/null || { echo "recover: $tool is missing (tools/install-deps.sh)"; exit 1; }
done
[ -x "$vantor" ] || { echo "recover: $vantor not built (make build)"; exit 1; }
mkdir -p "$bench"
export MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8

make_tree() {  # make_tree DIR
  local d=$1
  for i in $(seq -w 1 160); do
    mkdir -p "$d/large $((10#$i % 8))"
    head -c $(( (4 + 10#$i % 5) * 1024 * 1024 )) /dev/urandom > "$d/large $((10#$i % 8))/file $i.bin"
  done
  for f in $(seq -w 1 20); do
    mkdir -p "$d/small/folder $f"
    for i in $(seq -w 1 100); do head -c $(( 10#$i * 97 )) /dev/urandom > "$d/small/folder $f/note $i.txt"; done
  done
}

new_disk() {  # new_disk IMAGE TYPE
  rm -f "$1"
  truncate -s 2G "$1"
  printf 'label: dos\nstart=2048, type=%s\n' "$2" | sfdisk -q "$1"
}

build_fat() {
  local image="$bench/recover-fat32.img" tree
  [ -f "$image" ] && return
  echo "building $image (once)..."
  tree="$(mktemp -d "$bench/tree.XXXXXX")"
  make_tree "$tree"
  new_disk "$image.tmp" c
  mkfs.fat -F 32 -s 8 --offset 2048 -n BENCH "$image.tmp" $(( 2 * 1024 * 1024 - 1024 )) > /dev/null
  mcopy -s -Q -i "$image.tmp@@$((2048 * 512))" "$tree"/* ::/
  rm -rf "$tree"
  mv "$image.tmp" "$image"
}

build_ntfs() {
  local image="$bench/recover-ntfs.img" tree loop mnt
  [ -f "$image" ] && return
  if [ "$(id -u)" -ne 0 ] || [ ! -c /dev/fuse ] || ! command -v ntfs-3g >/dev/null; then
    echo "recover: NTFS volume skipped (needs root, /dev/fuse and ntfs-3g)"
    return
  fi
  echo "building $image (once)..."
  tree="$(mktemp -d "$bench/tree.XXXXXX")"
  make_tree "$tree"
  new_disk "$image.tmp" 7
  loop=$(losetup -f --show -o $((2048 * 512)) --sizelimit $(( (2 << 30) - 2048 * 512 )) "$image.tmp")
  mkntfs -q -Q -F -c 4096 -p 2048 -H 255 -S 63 -L bench "$loop" > /dev/null
  mnt="$(mktemp -d "$bench/mnt.XXXXXX")"
  ntfs-3g "$loop" "$mnt"
  cp -r "$tree"/. "$mnt"/
  umount "$mnt"
  losetup -d "$loop"
  rmdir "$mnt"
  rm -rf "$tree"
  mv "$image.tmp" "$image"
}

build_fat
build_ntfs
export VANTOR_CONFIG_DIR="$bench/config" XDG_DATA_HOME="$bench/data"
out="$bench/recover-out"
seconds() { local s e; rm -rf "$out"; s=$(date +%s.%N); "$@" > /dev/null 2>&1; e=$(date +%s.%N); awk -v s="$s" -v e="$e" 'BEGIN { print e - s }'; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
for fs in fat32 ntfs; do
  image="$bench/recover-$fs.img"
  [ -f "$image" ] || continue
  ours=(); theirs=()
  "$vantor" recover "$image" -o "$out" --all --quiet > /dev/null 2>&1  # warm the page cache
  for _ in $(seq 1 "$runs"); do
    ours+=("$(seconds "$vantor" recover "$image" -o "$out" --all --quiet)")
    theirs+=("$(seconds tsk_recover -a -o 2048 "$image" "$out")")
  done
  rm -rf "$out"
  "$vantor" recover "$image" -o "$out" --all --quiet > /dev/null 2>&1
  files=$(find "$out" -type f | wc -l)
  bytes=$(du -sb "$out" | cut -f1)
  rm -rf "$out"
  a=$(printf '%s\n' "${ours[@]}" | median)
  b=$(printf '%s\n' "${theirs[@]}" | median)
  printf '%-6s %6d files %6d MiB   vantor recover %6.2f s   tsk_recover %6.2f s   ratio %.2f\n' \
    "$fs" "$files" $((bytes >> 20)) "$a" "$b" "$(awk -v a="$a" -v b="$b" 'BEGIN { print a / b }')"
done
