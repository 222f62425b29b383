#!/usr/bin/env bash
# Benchmark: reading a whole sparse virtual disk with `vantor read` against
# `qemu-img convert -O raw`.
#
# Builds once, under build/bench/ (kept for later runs), a 3 GiB virtual disk with
# 2 GiB of random data (1 GiB at 0 and 1 GiB from 1.5 GiB, so the data cross the
# 2 GiB extent boundary) as monolithicSparse and as twoGbMaxExtentSparse. Then, in
# one run and alternating ROUNDS times (default 5), reads every sector of each disk
# with `vantor read DISK 0 COUNT > /dev/null` and with
# `qemu-img convert -O raw DISK /dev/shm/...` (the output is removed after each
# run), and prints the median times and their ratio (target: vantor <= 1.0 x).
#
# usage: bench/vmdk-read.sh [ROUNDS]     (VANTOR=path/to/vantor to choose the binary)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-5}
work=$root/build/bench
vantor=${VANTOR:-$root/build/vantor}
shm=/dev/shm/vantor-bench-$$.raw
trap 'rm -f "$shm"' EXIT

command -v qemu-img >/dev/null || { echo "qemu-img is needed (apt-get install qemu-utils)" >&2; exit 1; }
if [ ! -x "$vantor" ]; then
  cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$root/build" --target vantor >/dev/null
fi

size=$((3 << 30))
sectors=$((size / 512))
mkdir -p "$work"
if [ ! -f "$work/.complete-v1" ]; then
  echo "building the bench disks in $work (once)..."
  rm -f "$work"/*.vmdk "$work/raw.img"
  truncate -s "$size" "$work/raw.img"
  head -c $((1 << 30)) /dev/urandom | dd of="$work/raw.img" bs=1M conv=notrunc status=none
  head -c $((1 << 30)) /dev/urandom | dd of="$work/raw.img" bs=1M seek=1536 conv=notrunc status=none
  qemu-img convert -f raw -O vmdk -o subformat=monolithicSparse "$work/raw.img" "$work/mono.vmdk"
  qemu-img convert -f raw -O vmdk -o subformat=twoGbMaxExtentSparse "$work/raw.img" "$work/split.vmdk"
  rm -f "$work/raw.img"
  touch "$work/.complete-v1"
fi

free_kb=$(df -k --output=avail /dev/shm | tail -1)
[ "$free_kb" -gt $(( (size >> 10) + (256 << 10) )) ] || { echo "/dev/shm has too little space" >&2; exit 1; }

now() { date +%s.%N; }
sub() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.4f", a - b }'; }
div() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.4f", a / b }'; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Warm the page cache so that both readers see the same cached files.
cat "$work"/*.vmdk > /dev/null

for disk in mono split; do
  src=$work/$disk.vmdk
  ours=() theirs=()
  for ((i = 0; i < rounds; i++)); do
    # Alternate which reader goes first.
    for who in $([ $((i % 2)) -eq 0 ] && echo "vantor qemu" || echo "qemu vantor"); do
      start=$(now)
      if [ "$who" = vantor ]; then
        "$vantor" read "$src" 0 "$sectors" > /dev/null
        ours+=("$(sub "$(now)" "$start")")
      else
        qemu-img convert -f vmdk -O raw "$src" "$shm"
        theirs+=("$(sub "$(now)" "$start")")
        rm -f "$shm"
      fi
    done
  done
  m_ours=$(printf '%s\n' "${ours[@]}" | median)
  m_theirs=$(printf '%s\n' "${theirs[@]}" | median)
  type=$([ $disk = mono ] && echo monolithicSparse || echo twoGbMaxExtentSparse)
  printf '%-22s vantor read: %6.3f s   qemu-img convert: %6.3f s   ratio %.2f x   (median of %d; vantor %s; qemu-img %s)\n' \
    "$type" "$m_ours" "$m_theirs" "$(div "$m_ours" "$m_theirs")" "$rounds" "${ours[*]}" "${theirs[*]}"
done
