#!/usr/bin/env bash
# Times `vantor scan` against The Sleuth Kit's `fls -r -p` on one NTFS volume of
# 100 000 files in 5 000 folders (a tenth of them deleted), alternating runs, and
# prints the medians and their ratio. The volume is built once through an ntfs-3g
# mount (root and /dev/fuse needed) and cached under build/bench/.
#   usage: bench/ntfs-scan.sh [RUNS]      (default 5; VANTOR_BIN overrides build/vantor)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
RUNS=${1:-5}
VANTOR=${VANTOR_BIN:-$ROOT/build/vantor}
CACHE=$ROOT/build/bench
IMAGE=$CACHE/ntfs-100k.img
START=2048

build_volume() {
  [ "$(id -u)" -eq 0 ] && [ -c /dev/fuse ] || { echo "building the volume needs root and /dev/fuse" >&2; exit 1; }
  mkdir -p "$CACHE"
  work=$(mktemp -d)
  loop=""
  trap 'mountpoint -q "$work/mnt" && umount "$work/mnt"; [ -n "$loop" ] && losetup -d "$loop"; rm -rf "$work"; true' EXIT
  mkdir "$work/mnt"
  rm -f "$IMAGE.part"
  truncate -s 1G "$IMAGE.part"
  printf 'label: dos\nstart=%d, type=7\n' "$START" | sfdisk -q "$IMAGE.part"
  loop=$(losetup -f --show -o $((START * 512)) --sizelimit $((1024 * 1024 * 1024 - START * 512)) "$IMAGE.part")
  mkntfs -q -Q -F -c 4096 -p "$START" -H 255 -S 63 "$loop" >/dev/null
  ntfs-3g "$loop" "$work/mnt"
  # 50 folders of 100 folders of 20 files; then every tenth folder and every
  # tenth file elsewhere are deleted.
  python3 - "$work/mnt" <<'PY'
import os, shutil, sys
root = sys.argv[1]
for a in range(50):
    for b in range(100):
        folder = os.path.join(root, f"top{a:02d}", f"sub{b:03d}")
        os.makedirs(folder)
        for c in range(20):
            with open(os.path.join(folder, f"file{c:02d}.txt"), "w") as f:
                f.write(f"{a} {b} {c}\n")
for a in range(50):
    for b in range(100):
        folder = os.path.join(root, f"top{a:02d}", f"sub{b:03d}")
        if b % 10 == 0:
            shutil.rmtree(folder)
        else:
            os.remove(os.path.join(folder, f"file{b % 20:02d}.txt"))
PY
  umount "$work/mnt"
  losetup -d "$loop"
  loop=""
  mv "$IMAGE.part" "$IMAGE"
}

[ -e "$IMAGE" ] || build_volume
[ -x "$VANTOR" ] || { echo "no vantor binary at $VANTOR (make build)" >&2; exit 1; }
command -v fls >/dev/null || { echo "fls (sleuthkit) is not installed" >&2; exit 1; }

seconds() {  # seconds COMMAND...: wall time of one run, output discarded
  local t0 t1
  t0=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  t1=$(date +%s.%N)
  echo "$t1 - $t0" | bc -l
}
median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

ours=() theirs=()
for _ in $(seq 1 "$RUNS"); do
  ours+=("$(seconds "$VANTOR" scan "$IMAGE" -p 1 --quiet)")
  theirs+=("$(seconds fls -r -p -o "$START" "$IMAGE")")
done
records=$("$VANTOR" scan "$IMAGE" -p 1 --quiet 2>/dev/null | wc -l)
listed=$(fls -r -p -o "$START" "$IMAGE" | wc -l)
m_ours=$(printf '%s\n' "${ours[@]}" | median)
m_theirs=$(printf '%s\n' "${theirs[@]}" | median)
printf 'vantor scan : median %.3f s over %d runs (%d records listed)\n' "$m_ours" "$RUNS" "$records"
printf 'fls -r -p   : median %.3f s over %d runs (%d entries listed)\n' "$m_theirs" "$RUNS" "$listed"
printf 'ratio vantor / fls = %.3f (target at most 0.5)\n' "$(echo "$m_ours / $m_theirs" | bc -l)"
