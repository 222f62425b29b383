#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a while on a seed corpus
# taken from the fixtures (and the committed seeds), two at a time.
#   fuzz/run-all.sh [SECONDS] [FIXTURES_DIR]
# A finding (crash, leak, timeout) fails the run; its input is kept in
# build-fuzz/findings/.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
fixtures="${2:-$repo/build/fixtures}"
out="$repo/build-fuzz"
CC=clang CXX=clang++ cmake -S "$repo" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVANTOR_FUZZ=ON -DVANTOR_TESTS=OFF -DVANTOR_GUI=OFF -DVANTOR_WERROR=ON >/dev/null
cmake --build "$out" -j 2 >/dev/null

corpus="$out/corpus"
rm -rf "$corpus"
mkdir -p "$corpus"/{fuzz_vmdk,fuzz_partitions,fuzz_fat_dir,fuzz_ntfs_record} "$out/findings"
le() { od -An -t u"$3" -j "$2" -N "$3" "$1" | tr -d ' '; }
if [ -e "$fixtures/fat/disk.img" ]; then
  dd if="$fixtures/fat/disk.img" of="$corpus/fuzz_partitions/disk" bs=512 count=64 status=none
  dd if="$fixtures/fat/floppy.img" of="$corpus/fuzz_partitions/floppy" bs=512 count=64 status=none
  # The floppy's root directory: after the boot sector and two FATs.
  fat=$(le "$fixtures/fat/floppy.img" 22 2)
  dd if="$fixtures/fat/floppy.img" of="$corpus/fuzz_fat_dir/root" bs=512 skip=$((1 + 2 * fat)) count=14 status=none
fi
if [ -e "$fixtures/gpt/gpt.img" ]; then
  dd if="$fixtures/gpt/gpt.img" of="$corpus/fuzz_partitions/gpt" bs=512 count=64 status=none
fi
if [ -e "$fixtures/ntfs/disk.img" ]; then
  image="$fixtures/ntfs/disk.img"
  spc=$(od -An -t u1 -j $((2048 * 512 + 13)) -N 1 "$image" | tr -d ' ')
  mft=$(le "$image" $((2048 * 512 + 48)) 8)
  for record in 0 1 2 3 5 6 11 16 24 30 40; do
    dd if="$image" of="$corpus/fuzz_ntfs_record/record$record" bs=1024 count=1 status=none \
      skip=$(((2048 * 512 + mft * spc * 512) / 1024 + record))
  done
fi

run() {
  local target="$1"
  # Committed seeds, fuzz/corpus/NAME for target fuzz_NAME: earlier findings among them.
  mkdir -p "$corpus/$target"
  cp "$repo/fuzz/corpus/${target#fuzz_}"/* "$corpus/$target/" 2>/dev/null || true
  "$out/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$out/findings/$target-" "$corpus/$target" >"$out/$target.log" 2>&1
  local status=$?
  echo "$target: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$out/$target.log" | grep -o '[0-9]*$') runs, exit $status"
  return $status
}
status=0
targets=(fuzz_vmdk fuzz_partitions fuzz_fat_dir fuzz_ntfs_record)
for extra in "$out"/fuzz/fuzz_*; do
  name=$(basename "$extra")
  [[ " ${targets[*]} " == *" $name "* ]] || { [ -x "$extra" ] && targets+=("$name") && mkdir -p "$corpus/$name"; }
done
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  run "${targets[i]}" &
  first=$!
  if ((i + 1 < ${#targets[@]})); then run "${targets[i + 1]}" || status=1; fi
  wait "$first" || status=1
done
[ "$status" -eq 0 ] && echo "fuzzing: no findings" || { echo "fuzzing: findings in $out/findings"; tail -n 30 "$out"/fuzz_*.log | grep -A20 ERROR | head -40; }
exit "$status"
