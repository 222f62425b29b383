#!/usr/bin/env bash
# `vantor lost` against TestDisk's search (quick and deeper, in its command mode)
# on a 4 GiB disk whose MBR is zeroed: FAT16 at sector 2048 and FAT32 after it
# (bench/volumes.sh). Both must find both file systems at their starts, and
# vantor whatever TestDisk finds. Target: at most 1.0 × TestDisk. Then a disk of
# six FAT16 volumes with files in their roots only (no folder to go by): the
# same check of what each finds.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/volumes.sh"
need testdisk
image=$(lost_disk)
# TestDisk writes testdisk.log into the current folder.
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
export TERM="${TERM:-dumb}"
testdisk_cmd="cd '$logs' && testdisk /log /cmd '$image' analyze,search </dev/null"

# ours_found IMAGE TYPE: "TYPE START" per file system found, joined with ", ".
ours_found() {
  "$VANTOR" lost --quiet "$1" --fs "$2" | awk -F'\t' '/^File System / {sub(/.* - /, "", $1); print $1, $2}' |
    paste -sd, - | sed 's/,/, /g'
}
# TestDisk logs the partitions it would write after each search (the quick one,
# then the deeper one), with cylinder, head and sector of their first and last
# sectors; the last list counts. LBA = (cylinder × heads + head) × sectors per
# track + sector - 1.
# testdisk_found IMAGE
testdisk_found() {
  local command="cd '$logs' && testdisk /log /cmd '$1' analyze,search </dev/null"
  rm -f "$logs/testdisk.log"
  bash -c "$command" >/dev/null 2>&1 || fail "exit $? from: $command"
  awk '
    / CHS [0-9]+ [0-9]+ [0-9]+/ { for (i = 1; i < NF; i++) if ($i == "CHS") { heads = $(i + 2); sectors = $(i + 3) + 0 } }
    /^interface_write\(\)/ { n = 0; listing = 1; next }
    listing && /^ *[0-9]+ [*PLEDl] / {
      sub(/ \[.*\]$/, "")
      # An extended partition holds file systems but is none.
      if ($3 != "extended") found[++n] = $3 " " (($(NF - 6) * heads + $(NF - 5)) * sectors + $(NF - 4) - 1)
      next
    }
    { listing = 0 }
    END { for (i = 1; i <= n; i++) printf "%s%s", found[i], (i < n ? ", " : "\n") }
  ' "$logs/testdisk.log"
}

# lacks FOUND WANTED: the parts of the ", "-joined list WANTED that FOUND lacks.
lacks() {
  local part parts missing=""
  IFS=, read -ra parts <<<"${2//, /,}"
  for part in "${parts[@]}"; do
    [[ ", $1, " == *", $part, "* ]] || missing+="${missing:+, }$part"
  done
  echo "$missing"
}

cat "$image" >/dev/null  # warm the page cache
ours=$(ours_found "$image" FAT32) || fail "vantor lost $image failed"
testdisk=$(testdisk_found "$image")
echo "found: vantor ${ours:-nothing}; TestDisk ${testdisk:-nothing}" >&2
expected="FAT16 $LOST_FAT16_START, FAT32 $LOST_FAT32_START"
missing=$(lacks "$testdisk" "$expected")
[ -z "$missing" ] || fail "TestDisk does not find $missing"
missing=$(lacks "$ours" "$testdisk")  # which holds the expected ones
[ -z "$missing" ] || fail "vantor does not find $missing"
compare "lost-partition search, 4 GiB disk" 1.0 "'$VANTOR' lost --quiet '$image' --fs FAT32" "$testdisk_cmd"

six=$(six_fat16_disk)
ours=$(ours_found "$six" FAT16) || fail "vantor lost $six failed"
testdisk=$(testdisk_found "$six")
echo "found on six root-only FAT16 volumes: vantor ${ours:-nothing}; TestDisk ${testdisk:-nothing}" >&2
expected=$(printf 'FAT16 %s, ' $SIX_FAT16_STARTS)
missing=$(lacks "$testdisk" "${expected%, }")
[ -z "$missing" ] || fail "TestDisk does not find $missing"
missing=$(lacks "$ours" "$testdisk")
[ -z "$missing" ] || fail "vantor does not find $missing on $six"
