#!/usr/bin/env bash
# Builds a FAT32 volume of 100 000 one-byte files (50 folders of 2 000), 512-byte
# clusters, as a raw image BASE.img and a monolithic sparse BASE.vmdk: the
# fixture of the wizard's long-scan tests. Usage: make-big-fat.sh BASE
set -euo pipefail
base="$1"
[ -s "$base.img" ] && [ -s "$base.vmdk" ] && exit 0
# Many small files: build the tree in memory when the machine offers it.
work="$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tree" "$(dirname "$base")"
for d in $(seq -w 1 50); do
  mkdir "$work/tree/D$d"
  (cd "$work/tree/D$d" && for f in $(seq -w 1 2000); do printf x > "F$f.TXT"; done)
done
truncate -s 160M "$work/volume.img"
mkfs.fat -F 32 -s 1 -n BIGFAT "$work/volume.img" > /dev/null
MTOOLS_SKIP_CHECK=1 mcopy -s -i "$work/volume.img" "$work/tree"/* ::/
qemu-img convert -f raw -O vmdk "$work/volume.img" "$base.vmdk.tmp"
cp --sparse=always "$work/volume.img" "$base.img.tmp"
mv "$base.vmdk.tmp" "$base.vmdk"
mv "$base.img.tmp" "$base.img"
