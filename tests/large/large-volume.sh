#!/usr/bin/env bash
# A 2 TiB sparse VMware disk whose NTFS partition starts 32 MiB before its end:
# listed, scanned and recovered through 64-bit sector numbers. The volume is
# built small (mkntfs + ntfs-3g) and written at its offset into a sparse raw
# disk, which qemu-img turns into a monolithicSparse .vmdk.
#   large-volume.sh VANTOR FIXTURES_DIR
set -uo pipefail
vantor="$1" fixtures="$2"
out="$fixtures/large"
start=$(( (1 << 32) - 65536 ))   # the last MBR-addressable 32 MiB of 2 TiB
sectors=32768
if [ "$(id -u)" -ne 0 ] || [ ! -c /dev/fuse ] || ! command -v qemu-img >/dev/null; then
  echo "large volume: skipped (needs root, /dev/fuse and qemu-img)"
  exit 77
fi
source "$(dirname "$0")/../fixtures/scratch.sh"
scratch_folder /tmp/vantor-large-XXXXXX
fail() { echo "FAIL: $*"; exit 1; }

if [ ! -e "$out/.built" ]; then
  # Any failed step fails the test and leaves no stamp: the next run builds again.
  trap 'echo "FAIL: building the disk: $BASH_COMMAND"; exit 1' ERR
  mkdir -p "$out"
  truncate -s $((sectors * 512)) "$work/volume.img"
  loop=$(losetup -f --show "$work/volume.img")
  mkntfs -q -Q -F -c 4096 -p "$start" -H 255 -S 63 -L far "$loop" >/dev/null
  ntfs-3g "$loop" "$work/mnt"
  mkdir -p "$work/mnt/far away/deeper"
  head -c 3000000 /dev/urandom >"$work/mnt/far away/big.bin"
  echo "at the end of a large disk" >"$work/mnt/far away/deeper/note.txt"
  head -c 200000 /dev/urandom >"$work/mnt/gone.bin"
  (cd "$work/mnt" && sha256sum "far away/big.bin" "far away/deeper/note.txt" gone.bin) >"$out/sha256"
  rm "$work/mnt/gone.bin"
  umount "$work/mnt"
  losetup -d "$loop"
  loop=""
  truncate -s 2T "$work/disk.raw"
  printf 'label: dos\nstart=%d, size=%d, type=7\n' "$start" "$sectors" | sfdisk -q "$work/disk.raw"
  dd if="$work/volume.img" of="$work/disk.raw" bs=1M seek=$((start / 2048)) conv=notrunc,sparse status=none
  qemu-img convert -O vmdk -o subformat=monolithicSparse "$work/disk.raw" "$out/disk.vmdk"
  touch "$out/.built"
  trap - ERR
fi

export XDG_DATA_HOME="$work/data" VANTOR_CONFIG_DIR="$work/config"
listing=$("$vantor" partitions "$out/disk.vmdk") || fail "partitions: $listing"
echo "$listing"
grep -q "Partition - 1 ( NTFS ).*$start" <<<"$listing" || fail "the NTFS partition at $start is not listed"
scan=$("$vantor" scan "$out/disk.vmdk" -p 1 --quiet) || fail "scan failed"
grep -q "far away/deeper/note.txt" <<<"$scan" || fail "scan misses far away/deeper/note.txt"
grep -q "^F	y.*gone.bin" <<<"$scan" || fail "scan misses the deleted gone.bin"
"$vantor" recover "$out/disk.vmdk" -p 1 -o "$work/out" --all --quiet >/dev/null || fail "recover failed"
(cd "$work/out" && sha256sum -c --quiet "$out/sha256") || fail "recovered files differ"
echo "1 passed, 0 failed"
