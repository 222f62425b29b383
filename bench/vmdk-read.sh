#!/usr/bin/env bash
# Reading every sector of a sparse virtual disk with `vantor read` against
# `qemu-img convert -O raw` (into /dev/shm, removed after each run).
#
# The 3 GiB disks hold 2 GiB of random data (1 GiB at 0 and 1 GiB from 1.5 GiB,
# so the data cross the 2 GiB extent boundary), as monolithicSparse and as
# twoGbMaxExtentSparse; a third, streamOptimized (compressed grains, as an
# export), holds 1 GiB of random data and 1 GiB of text. They are built once and
# cached. Target: at most 1.0 × qemu-img.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
need qemu-img
size=$((3 << 30))
shm=/dev/shm/vantor-bench-$$.raw
trap 'rm -f "$shm"' EXIT
if [ ! -f "$BENCH_CACHE/.vmdk-stream-complete-v1" ]; then
  echo "building the streamOptimized bench disk in $BENCH_CACHE (once)..." >&2
  raw="$BENCH_CACHE/vmdk-stream-raw.img"
  truncate -s "$size" "$raw"
  head -c $((1 << 30)) /dev/urandom | dd of="$raw" bs=1M conv=notrunc status=none
  (seq 1 200000000 || true) | head -c $((1 << 30)) | dd of="$raw" bs=1M seek=1536 conv=notrunc status=none
  qemu-img convert -f raw -O vmdk -o subformat=streamOptimized "$raw" "$BENCH_CACHE/stream.vmdk"
  rm -f "$raw"
  touch "$BENCH_CACHE/.vmdk-stream-complete-v1"
fi
if [ ! -f "$BENCH_CACHE/.vmdk-complete-v1" ]; then
  echo "building the bench disks in $BENCH_CACHE (once)..." >&2
  raw="$BENCH_CACHE/vmdk-raw.img"
  truncate -s "$size" "$raw"
  head -c $((1 << 30)) /dev/urandom | dd of="$raw" bs=1M conv=notrunc status=none
  head -c $((1 << 30)) /dev/urandom | dd of="$raw" bs=1M seek=1536 conv=notrunc status=none
  qemu-img convert -f raw -O vmdk -o subformat=monolithicSparse "$raw" "$BENCH_CACHE/mono.vmdk"
  qemu-img convert -f raw -O vmdk -o subformat=twoGbMaxExtentSparse "$raw" "$BENCH_CACHE/split.vmdk"
  rm -f "$raw"
  touch "$BENCH_CACHE/.vmdk-complete-v1"
fi
free_kb=$(df -k --output=avail /dev/shm | tail -1)
[ "$free_kb" -gt $(((size >> 10) + (256 << 10))) ] || { echo "vmdk-read: /dev/shm has too little space" >&2; exit 1; }
cat "$BENCH_CACHE"/mono.vmdk "$BENCH_CACHE"/split*.vmdk "$BENCH_CACHE"/stream.vmdk >/dev/null  # warm the page cache
for disk in mono split stream; do
  case $disk in
    mono) layout=monolithicSparse ;;
    split) layout=twoGbMaxExtentSparse ;;
    *) layout=streamOptimized ;;
  esac
  # Ours must give every sector as qemu-img reads it.
  qemu-img convert -f vmdk -O raw "$BENCH_CACHE/$disk.vmdk" "$shm"
  "$VANTOR" read "$BENCH_CACHE/$disk.vmdk" 0 $((size / 512)) | cmp -s - "$shm" ||
    fail "vantor read of $disk.vmdk differs from qemu-img convert's copy"
  rm -f "$shm"
  compare "read a 3 GiB $layout disk" 1.0 "'$VANTOR' read '$BENCH_CACHE/$disk.vmdk' 0 $((size / 512))" \
    "qemu-img convert -f vmdk -O raw '$BENCH_CACHE/$disk.vmdk' '$shm'" "rm -f '$shm'"
done
