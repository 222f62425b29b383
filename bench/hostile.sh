#!/usr/bin/env bash
# Sources shaped to make a reader spend without bound (bench/hostile-images.py):
# FAT32 volumes of 10 000 and 20 000 folders nested one in the other (peak
# memory of a scan, at most 200 MB; `fls -r -p` beside it), 8 000 files of one
# name in one folder (seconds to save them all, at most 5; `tsk_recover` beside
# it), 1 MiB whose every sector opens a BMP of 64 MiB (MB that `vantor raw`
# writes, at most 4; foremost beside it) and a VMDK of 2^40 sectors that all
# read as FAT32 boot sectors (peak memory of `vantor lost`, at most 300 MB, and
# the search must stop itself; `qemu-img info` beside it).
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/volumes.sh"
need fls tsk_recover foremost qemu-img mkfs.fat python3 timeout prlimit

# The builders run in a bash of their own (cached, bench/volumes.sh), hence
# exported. `fat_volume PART KIND COUNT`: a sparse FAT32 volume of 64 MiB in
# 512-byte clusters (129 000 of them) made by mkfs.fat, filled by the builder.
fat_volume() {
  truncate -s 64M "$1"
  mkfs.fat -F 32 -s 1 "$1" >/dev/null
  python3 "$REPO/bench/hostile-images.py" "$2" "$1" "$3"
}
build_nested_10000() { fat_volume "$1" nested 10000; }
build_nested_20000() { fat_volume "$1" nested 20000; }
build_same_8000() { fat_volume "$1" same 8000; }
build_bm() { python3 "$REPO/bench/hostile-images.py" bm "$1"; }
build_vmdk() { python3 "$REPO/bench/hostile-images.py" vmdk "$1" hostile-2e40.vmdk; }
export -f fat_volume build_nested_10000 build_nested_20000 build_same_8000 build_bm build_vmdk
nested_10000=$(cached "$BENCH_CACHE/hostile-nested-10000.img" build_nested_10000)
nested_20000=$(cached "$BENCH_CACHE/hostile-nested-20000.img" build_nested_20000)
same=$(cached "$BENCH_CACHE/hostile-same-8000.img" build_same_8000)
bm=$(cached "$BENCH_CACHE/hostile-bm-1m.bin" build_bm)
vmdk=$(cached "$BENCH_CACHE/hostile-2e40.vmdk" build_vmdk)

outs=$(mktemp -d "$BENCH_CACHE/hostile-out.XXXXXX")
saved=$(recover_output)-hostile
trap 'rm -rf "$outs" "$saved"' EXIT

# measured OUT COMMAND...: runs COMMAND with standard output and error into OUT;
# sets $status to its exit status and $peak to its peak resident size in MB.
measured() {
  local report
  report=$(mktemp)
  status=0
  /usr/bin/time -f '%M' -o "$report" "${@:2}" >"$1" 2>&1 || status=$?
  peak=$(echo "$(tail -1 "$report") / 1024" | bc -l)
  rm -f "$report"
}

# limit4 NAME TARGET OURS PEER UNIT: limit's row with four decimals, for measures
# that may lie well below 0.1 (which limit would print as 0.0, as if not run).
limit4() {
  [[ $3 =~ ^[0-9]*\.?[0-9]+$ && $4 =~ ^[0-9]*\.?[0-9]+$ ]] || fail "no measure for \"$1\" (ours '$3', peer '$4')"
  printf 'BENCH\t%s\t%.4f\t%.4f\t%s\tlimit\n' "$1" "$3" "$4" "$2"
  printf '%s: ours %.4f %s, peer %.4f %s (limit %s %s)\n' "$1" "$3" "$5" "$4" "$5" "$2" "$5" >&2
}

# bytes_mb DIR: the size of the files under DIR, in MB.
bytes_mb() { find "$1" -type f -printf '%s\n' | awk '{s += $1} END {printf "%.4f\n", s / 1048576}'; }

# 1. Every folder a path one level longer than its parent's: a scan that keeps
# each path whole holds N^2 / 2 letters. All N folders must be listed.
nested_row() {  # nested_row DEPTH IMAGE
  local n
  n=$("$VANTOR" scan --quiet "$2" | grep -c $'^D\t') || fail "vantor scan $2 failed or listed no folder"
  ((n >= $1)) || fail "vantor scan $2 lists $n folders, not the $1 nested ones"
  # fls stops at its own depth limit; its peak is context.
  limit "peak memory, FAT scan of ${1:0:-3} ${1: -3} nested folders (MB)" 200 \
    "$(peak_mb "$VANTOR" scan --quiet "$2")" "$(peak_mb fls -r -p "$2")"
}
nested_row 10000 "$nested_10000"
nested_row 20000 "$nested_20000"

# 2. 8 000 entries of SAME.TXT in one folder: each is saved under a name of its
# own (SAME.TXT, SAME0.TXT, ...); a saver that tries the names from the first
# each time does 8 000^2 / 2 lookups.
save_same() { rm -rf "$saved" && "$VANTOR" recover "$same" -o "$saved" --all --on-exists rename --quiet; }
times=()
for ((i = 0; i < RUNS; i++)); do
  rm -rf "$saved"
  t=$(seconds save_same)
  times+=("$t")
  [ -d "$saved" ] || fail "vantor recover $same made no folder $saved"
  files=$(find "$saved" -type f | wc -l)
  ((files == 8000)) || fail "vantor recover $same saved $files files, not the 8 000 named SAME.TXT"
  distinct=$(find "$saved" -type f -exec cat {} + | sort -u | wc -l)
  ((distinct == 8000)) || fail "the 8 000 files saved from $same hold $distinct different contents, not 8 000"
done
# tsk_recover writes them all to one name; one run, for context.
rm -rf "$saved"
peer=$(seconds tsk_recover -e "$same" "$saved")
echo "saving 8 000 same-named files: vantor ${times[*]} s, tsk_recover $peer s" >&2
limit4 "saving 8 000 same-named files (s)" 5 "$(median "${times[@]}")" "$peer" s
rm -rf "$saved"

# 3. 2 048 BMP headers, each claiming 64 MiB: a carver that carves every sector again
# writes about 1 GiB from 1 MiB (the square of the source).
measured "$outs/raw.log" timeout 600 "$VANTOR" raw --quiet "$bm" -o "$outs/raw" --types BMP
((status != 124)) || fail "vantor raw $bm did not end within 600 s"
((status == 0 || status == 1)) || fail "exit $status from vantor raw $bm: $(tail -3 "$outs/raw.log")"
[ -n "$(find "$outs/raw" -type f ! -name raw-report.csv -size +0c 2>/dev/null | head -1)" ] ||
  fail "vantor raw $bm wrote no file (exit $status): $(tail -3 "$outs/raw.log")"
ours=$(bytes_mb "$outs/raw")
foremost -Q -t bmp -i "$bm" -o "$outs/foremost" >/dev/null 2>&1 || fail "exit $? from foremost on $bm"
peer=$(bytes_mb "$outs/foremost")
echo "foremost on $bm: $(find "$outs/foremost" -type f ! -name audit.txt | wc -l) files, $peer MB" >&2
# foremost refuses sizes beyond its maximum: its audit alone is its output.
limit4 "raw output for 1 MiB of BM sectors (MB)" 4 "$ours" "$peer" MB
rm -rf "$outs/raw" "$outs/foremost"

# 4. Every sector of 2^40 a FAT32 boot sector: the search must stop itself when
# it holds too many candidates. The address space is capped at 8 GiB, so that a
# search without that stop fails here rather than taking the machine's memory.
"$VANTOR" info "$vmdk" >"$outs/info.log" 2>&1 || fail "exit $? from vantor info $vmdk: $(tail -3 "$outs/info.log")"
grep -q '^Extent .*(1099511627776 sectors)' "$outs/info.log" ||
  fail "vantor info $vmdk does not show its extent of 2^40 sectors: $(head -3 "$outs/info.log")"
measured "$outs/lost.log" prlimit --as=$((8 << 30)) timeout 300 "$VANTOR" lost "$vmdk" --fs FAT32
((status != 124)) || fail "vantor lost $vmdk did not end within 300 s"
((status == 0 || status == 1)) || fail "exit $status from vantor lost $vmdk: $(tail -3 "$outs/lost.log")"
grep -q 'stopped at sector' "$outs/lost.log" ||
  fail "vantor lost $vmdk ended (exit $status) without saying where it stopped: $(tail -3 "$outs/lost.log")"
ours=$peak
peer=$(peak_mb qemu-img info "$vmdk")
limit "peak memory, lost on a 2^40-sector VMDK of boot sectors (MB)" 300 "$ours" "$peer"
