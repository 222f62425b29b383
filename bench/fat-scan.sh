#!/usr/bin/env bash
# Times `vantor scan` against `fls -r -p` (The Sleuth Kit) on one FAT32 volume of
# 100 000 files in 5 000 folders (50 x 100, 20 files each, long names), of which
# 5 top folders (10 000 files) are deleted with mdeltree and 500 files with mdel.
# The volume is built once and cached under build/bench/. Runs alternate, five
# each; prints the medians and the ratio vantor / fls.
#
#   bench/fat-scan.sh [VANTOR_BINARY]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
vantor="${1:-$root/build/vantor}"
bench="$root/build/bench"
image="$bench/fat32-100k.img"
runs=5
for tool in mkfs.fat mcopy mdeltree fls; do
  command -v "$tool" >/dev/null || { echo "fat-scan: $tool is missing (tools/install-deps.sh)"; exit 1; }
done
[ -x "$vantor" ] || { echo "fat-scan: $vantor not built (make build)"; exit 1; }
mkdir -p "$bench"
export MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8
if [ ! -f "$image" ]; then
  echo "building $image (once)..."
  tree="$(mktemp -d "$bench/tree.XXXXXX")"
  for top in $(seq -w 1 50); do
    for sub in $(seq -w 1 100); do
      d="$tree/top folder $top/sub folder $sub"
      mkdir -p "$d"
      for f in $(seq -w 1 20); do printf x > "$d/file number $f of $top-$sub.txt"; done
    done
  done
  rm -f "$image.tmp"
  mkfs.fat -C -F 32 -s 1 -n BENCH "$image.tmp" $((192 * 1024)) > /dev/null
  mcopy -s -Q -i "$image.tmp" "$tree"/* ::/
  for top in 01 11 21 31 41; do mdeltree -i "$image.tmp" "::/top folder $top"; done
  for sub in $(seq -w 1 100 | head -n 25); do
    for f in $(seq -w 1 20); do echo "::/top folder 02/sub folder $sub/file number $f of 02-$sub.txt"; done
  done | xargs -d '\n' mdel -i "$image.tmp"
  rm -rf "$tree"
  mv "$image.tmp" "$image"
fi
export VANTOR_CONFIG_DIR="$bench/config" XDG_DATA_HOME="$bench/data"
seconds() { local s e; s=$(date +%s.%N); "$@" > /dev/null 2>&1; e=$(date +%s.%N); awk -v s="$s" -v e="$e" 'BEGIN { print e - s }'; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ours=(); theirs=()
"$vantor" scan --quiet "$image" > /dev/null  # warm the page cache
for _ in $(seq 1 "$runs"); do
  ours+=("$(seconds "$vantor" scan --quiet "$image")")
  theirs+=("$(seconds fls -r -p "$image")")
done
records=$("$vantor" scan --quiet "$image" | grep -c $'^[DF]\t')
listed=$(fls -r -p "$image" | grep -vc -e '^v/v' -e '^V/V' -e '\$OrphanFiles')
m_ours=$(printf '%s\n' "${ours[@]}" | median)
m_theirs=$(printf '%s\n' "${theirs[@]}" | median)
printf 'records: vantor %d, fls %d (incl. label)\n' "$records" "$listed"
printf 'vantor scan  median %.3f s  (%s)\n' "$m_ours" "${ours[*]}"
printf 'fls -r -p    median %.3f s  (%s)\n' "$m_theirs" "${theirs[*]}"
printf 'ratio vantor / fls: %.2f (target <= 1.0)\n' "$(awk -v a="$m_ours" -v b="$m_theirs" 'BEGIN { print a / b }')"
