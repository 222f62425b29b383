#!/usr/bin/env bash
# Runs every command of `vantor` on fixture sources (raw images, a .vmdk of each
# layout, and a loop device when losetup works here) under the write watch; each
# must succeed and give its result (a listing, saved files, a state, an image).
# Then it proves that each source's bytes and modification time are unchanged and that
# nothing was opened for writing outside the destination, the logs' folder and the
# temp folder. Destinations that must be refused (an existing file, the source
# itself, a link to a file, a read-only folder) are refused without a write.
#   source-untouched.sh VANTOR WRITE_WATCH_LIB FIXTURES_DIR [GUI_TEST]
set -uo pipefail
vantor="$1" watch="$2" fixtures="$3" gui_test="${4:-}"
home=$(mktemp -d /tmp/vantor-safety-XXXXXX)
loop=""
cleanup() {
  [ -n "$loop" ] && losetup -d "$loop" 2>/dev/null
  rm -rf "$home"
}
trap cleanup EXIT
mkdir -p "$home/data" "$home/config" "$home/tmp" "$home/out"
export XDG_DATA_HOME="$home/data" VANTOR_CONFIG_DIR="$home/config" TMPDIR="$home/tmp"
export VANTOR_WRITE_LOG="$home/writes.log" ASAN_OPTIONS="verify_asan_link_order=0:detect_leaks=1"
failures=0 passed=0

fingerprint() { stat -c '%Y %s' "$1"; sha256sum <"$1" | cut -d' ' -f1; }

# step NAME CHECK ARGS...: runs `vantor ARGS` under the write watch; it passes
# when vantor exits 0 and CHECK, a function below, holds for what it gave.
step() {
  local name="$1" check="$2"
  shift 2
  if LD_PRELOAD="$watch" "$vantor" "$@" >"$home/stdout" 2>"$home/stderr" && "$check"; then
    passed=$((passed + 1))
  else
    echo "FAIL $name: vantor $* (exit $?, or no result)"; tail -3 "$home/stderr"; failures=$((failures + 1))
  fi
}
printed() { [ -s "$home/stdout" ]; }
read_64() { [ "$(stat -c %s "$home/stdout")" -eq $((64 * 512)) ]; }
saved() { [ -n "$(find "$home/out" -type f | head -1)" ]; }
state_saved() { [ -s "$home/out/STATE.ST4" ]; }  # the name is upper-cased
exited_0() { true; }

# run_all NAME SOURCE PARTITION: every command that reads a source, each of
# which must succeed and give its result.
run_all() {
  local name="$1" source="$2" partition="$3"
  step "$name info" printed info "$source"
  step "$name read" read_64 read "$source" 0 64
  step "$name partitions" printed partitions "$source"
  step "$name scan" printed scan "$source" -p "$partition" --quiet
  step "$name scan --json" printed scan "$source" -p "$partition" --json --quiet
  step "$name scan --save-state" state_saved scan "$source" -p "$partition" --quiet --save-state "$home/out/state.ST4"
  step "$name recover" saved recover "$source" -p "$partition" -o "$home/out/all" --all --quiet
  step "$name recover --deleted-only" exited_0 recover "$source" -p "$partition" -o "$home/out/all" --deleted-only \
    --on-exists rename --quiet
  rm -rf "${home:?}/out"/*
  step "$name raw" saved raw "$source" -p "$partition" -o "$home/out/raw" --types all --quiet
  rm -rf "${home:?}/out"/*
  step "$name image" saved image "$source" -p "$partition" -o "$home/out/copy.img" --quiet
  rm -rf "${home:?}/out"/*
}

# check NAME PARTITION FILES...: the files' fingerprints before and after the commands.
check() {
  local name="$1" partition="$2"
  shift 2
  local files=("$@") before after
  before=$(for f in "${files[@]}"; do fingerprint "$f"; done)
  : >"$home/writes.log"
  run_all "$name" "${files[0]}" "$partition"
  after=$(for f in "${files[@]}"; do fingerprint "$f"; done)
  if [ "$before" != "$after" ]; then
    echo "FAIL $name: the source changed"; failures=$((failures + 1))
  else
    passed=$((passed + 1))
  fi
  writes_inside "$name"
  echo "checked $name"
}

# writes_inside NAME: every path of the write log lies in the test's home.
writes_inside() {
  local outside
  outside=$(grep -v -E " ($home/|/dev/null$|/dev/tty$|/dev/pts/)" "$home/writes.log" || true)
  if [ -n "$outside" ]; then
    echo "FAIL $1: opened for writing outside the allowed folders:"; echo "$outside" | head -5
    failures=$((failures + 1))
  else
    passed=$((passed + 1))
  fi
}

# refusals SOURCE PARTITION: every destination that must be refused is refused
# (exit 1), and nothing is written, linked, renamed, removed or made there.
refusals() {
  local source="$1" partition="$2" place="$home/place" before after destination code outside
  mkdir -p "$place/readonly"
  echo keep >"$place/notes.txt"
  ln -sf "$place/notes.txt" "$place/link"
  chmod 0555 "$place/readonly"
  before=$(cd "$place" && find . -printf '%p %m %s %T@\n' | sort; fingerprint "$source")
  for destination in "$place/notes.txt" "$place/notes.txt/sub" "$source" "$place/link" "$place/readonly"; do
    : >"$home/writes.log"
    LD_PRELOAD="$watch" "$vantor" recover "$source" -p "$partition" -o "$destination" --all --quiet >/dev/null 2>&1
    code=$?
    outside=$(grep -v " $home/data/" "$home/writes.log" || true)
    if [ "$code" -ne 1 ] || [ -n "$outside" ]; then
      echo "FAIL refusal of $destination: exit $code"; echo "$outside" | head -5; failures=$((failures + 1))
    else
      passed=$((passed + 1))
    fi
  done
  after=$(cd "$place" && find . -printf '%p %m %s %T@\n' | sort; fingerprint "$source")
  [ "$before" = "$after" ] && passed=$((passed + 1)) || { echo "FAIL refusals: something changed"; failures=$((failures + 1)); }
  chmod 0755 "$place/readonly"
  echo "checked refused destinations"
}

# The fixtures are built before this test runs: a missing one is a failure.
for fixture in fat/disk.img fat/disk.vmdk ntfs/disk.img fat/floppy.img; do
  [ -e "$fixtures/$fixture" ] || { echo "FAIL: no fixture $fixtures/$fixture"; failures=$((failures + 1)); }
done
[ -e "$fixtures/fat/disk.img" ] && check "FAT raw image" 2 "$fixtures/fat/disk.img"
[ -e "$fixtures/fat/disk.vmdk" ] && refusals "$fixtures/fat/disk.vmdk" 2
[ -e "$fixtures/ntfs/disk.img" ] && check "NTFS raw image" 1 "$fixtures/ntfs/disk.img"
[ -e "$fixtures/fat/floppy.img" ] && check "FAT12 floppy image" 1 "$fixtures/fat/floppy.img"
# The FAT disk in each VMware layout; the split layouts' extent files are
# fingerprinted with their descriptor.
if [ -e "$fixtures/fat/disk.img" ] && command -v qemu-img >/dev/null; then
  for layout in monolithicSparse twoGbMaxExtentSparse monolithicFlat twoGbMaxExtentFlat; do
    dir="$home/vmdk-$layout"
    mkdir -p "$dir"
    qemu-img convert -O vmdk -o subformat="$layout" "$fixtures/fat/disk.img" "$dir/disk.vmdk"
    mapfile -t extents < <(find "$dir" -name 'disk-*' | sort)
    check ".vmdk $layout" 2 "$dir/disk.vmdk" "${extents[@]}"
  done
fi
if [ -e "$fixtures/fat/disk.img" ] && [ "$(id -u)" -eq 0 ] && loop=$(losetup -f --show -r "$fixtures/fat/disk.img" 2>/dev/null); then
  check "loop device $loop" 2 "$loop"
else
  echo "loop device: skipped (losetup does not work here)"
fi
# The wizard's typical run (a GUI test binary) on the bundled sample disk. Qt's
# own caches go to the temp folder too.
if [ -n "$gui_test" ] && [ -x "$gui_test" ]; then
  sample="$(cd "$(dirname "$0")/../.." && pwd)/samples/sample.vmdk"
  : >"$home/writes.log"
  before=$(fingerprint "$sample")
  if QT_QPA_PLATFORM=offscreen XDG_CACHE_HOME="$home/tmp/cache" XDG_RUNTIME_DIR="$home/tmp/runtime" \
      VANTOR_SOURCE_DIR="$(dirname "$sample")/.." LD_PRELOAD="$watch" "$gui_test" >"$home/gui.log" 2>&1; then
    passed=$((passed + 1))
  else
    echo "FAIL wizard run: the typical run failed"; tail -20 "$home/gui.log"; failures=$((failures + 1))
  fi
  after=$(fingerprint "$sample")
  [ "$before" = "$after" ] && passed=$((passed + 1)) || { echo "FAIL wizard run: the source changed"; failures=$((failures + 1)); }
  writes_inside "wizard run"
  echo "checked wizard typical run"
fi
echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ] && [ "$passed" -gt 0 ]
