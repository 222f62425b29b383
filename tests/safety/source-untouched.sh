#!/usr/bin/env bash
# Runs every command of `vantor` on fixture sources (raw images, a .vmdk of each
# layout, and a loop device when losetup works here) under the write watch, then
# proves that each source's bytes and modification time are unchanged and that
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

# check NAME FILES...: the files' fingerprints before and after the commands.
run_all() {
  local source="$1" partition="$2"
  LD_PRELOAD="$watch" "$vantor" info "$source" >/dev/null 2>&1
  LD_PRELOAD="$watch" "$vantor" read "$source" 0 64 >/dev/null 2>&1
  LD_PRELOAD="$watch" "$vantor" partitions "$source" >/dev/null 2>&1
  LD_PRELOAD="$watch" "$vantor" scan "$source" -p "$partition" --quiet >/dev/null 2>&1
  LD_PRELOAD="$watch" "$vantor" scan "$source" -p "$partition" --json --quiet >/dev/null 2>&1
  LD_PRELOAD="$watch" "$vantor" recover "$source" -p "$partition" -o "$home/out" --all --quiet >/dev/null 2>&1
  LD_PRELOAD="$watch" "$vantor" recover "$source" -p "$partition" -o "$home/out" --deleted-only \
    --on-exists rename --quiet >/dev/null 2>&1
  rm -rf "${home:?}/out"/*
}

check() {
  local name="$1" partition="$2"
  shift 2
  local files=("$@") before after
  before=$(for f in "${files[@]}"; do fingerprint "$f"; done)
  : >"$home/writes.log"
  run_all "${files[0]}" "$partition"
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
[ "$failures" -eq 0 ]
