# The volumes of the scan, memory, recovery, lost-partition and exhaustive scan
# benchmarks, built once and cached under $BENCH_CACHE. Sourced after lib.sh;
# each volume function prints the image's path, and is run in $(...).
source "$REPO/tests/fixtures/scratch.sh"

# cached IMAGE BUILDER: prints IMAGE, first built by `BUILDER PART TREE` when it
# is not in the cache: the builder writes the image into PART, renamed to IMAGE
# once the builder succeeded, and may fill the empty folder TREE. It runs in a
# bash of its own with set -e: in $(...), or in a condition, set -e is off and a
# failed step would go on to a half-built image. A failed build stops the
# benchmark and leaves nothing in the cache.
cached() {
  local image=$1 builder=$2
  if [ ! -f "$image" ]; then
    echo "building $image (once)..." >&2
    rm -rf "$image.part" "$image.tree"
    mkdir -p "$image.tree"
    BENCH_CACHE="$BENCH_CACHE" VANTOR="$VANTOR" bash -euo pipefail -c \
      'source "$1/bench/lib.sh"; source "$1/bench/volumes.sh"; "${@:2}"' "$0" "$REPO" \
      "$builder" "$image.part" "$image.tree" >&2 ||
      { local status=$?; rm -rf "$image.part" "$image.tree"; fail "building $image failed (exit $status)"; }
    rm -rf "$image.tree"
    mv "$image.part" "$image"
  fi
  echo "$image"
}

# fat_100k_volume: FAT32, 100 000 files in 5 000 folders (50 × 100, 20 files
# each, long names); 5 top folders (10 000 files) deleted with mdeltree and 500
# files with mdel. The volume fills the image (no partition table).
fat_100k_volume() { cached "$BENCH_CACHE/fat32-100k.img" build_fat_100k; }
build_fat_100k() {
  local image=$1 tree=$2 top sub f
  need mkfs.fat mcopy mdeltree mdel
  export MTOOLS_SKIP_CHECK=1
  for top in $(seq -w 1 50); do
    for sub in $(seq -w 1 100); do
      mkdir -p "$tree/top folder $top/sub folder $sub"
      for f in $(seq -w 1 20); do printf x >"$tree/top folder $top/sub folder $sub/file number $f of $top-$sub.txt"; done
    done
  done
  mkfs.fat -C -F 32 -s 1 -n BENCH "$image" $((192 * 1024)) >/dev/null
  mcopy -s -Q -i "$image" "$tree"/* ::/
  for top in 01 11 21 31 41; do mdeltree -i "$image" "::/top folder $top"; done
  for sub in $(seq -f %03g 1 25); do
    for f in $(seq -w 1 20); do echo "::/top folder 02/sub folder $sub/file number $f of 02-$sub.txt"; done
  done | xargs -d '\n' mdel -i "$image"
}

# fat_million_volume: FAT32 (512-byte clusters), 1 000 000 files of one byte in
# 1 000 folders, every one with a long name; written directly by
# fat32-million.py into a sparse image.
fat_million_volume() { cached "$BENCH_CACHE/fat32-million.img" build_fat_million; }
build_fat_million() {
  need mkfs.fat python3
  truncate -s 1G "$1"
  mkfs.fat -F 32 -s 1 -n MILLION "$1" >/dev/null
  python3 "$REPO/bench/fat32-million.py" "$1" 1000 1000
}

# needs_root WHAT: building an NTFS volume goes through an ntfs-3g mount.
needs_root() {
  [ "$(id -u)" -eq 0 ] && [ -c /dev/fuse ] || fail "building $1 needs root and /dev/fuse"
  need mkntfs ntfs-3g sfdisk losetup
}

# ntfs_100k_volume: a 2 GiB MBR disk with NTFS at sector 2048 holding 100 000
# files in 5 000 folders; every tenth folder and one file in each other folder
# deleted.
ntfs_100k_volume() { cached "$BENCH_CACHE/ntfs-100k-2g.img" build_ntfs_100k; }
build_ntfs_100k() {
  needs_root "the NTFS volume"
  need python3
  scratch_folder  # undone when the build ends
  new_disk "$1" 7
  loop=$(losetup -f --show -o $((2048 * 512)) --sizelimit $(((2 << 30) - 2048 * 512)) "$1")
  mkntfs -q -Q -F -c 4096 -p 2048 -H 255 -S 63 "$loop" >/dev/null
  ntfs-3g "$loop" "$work/mnt"
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
}

# The 2 GiB volumes of the recovery benchmarks (FAT32 and NTFS, each an MBR
# disk with the volume at sector 2048): 1 GiB in 160 files of 4 to 8 MiB and
# 2000 small files in 20 folders. The NTFS one needs root and /dev/fuse.
make_tree() {  # make_tree DIR
  local d=$1 i f
  for i in $(seq -w 1 160); do
    mkdir -p "$d/large $((10#$i % 8))"
    head -c $(((4 + 10#$i % 5) * 1024 * 1024)) /dev/urandom >"$d/large $((10#$i % 8))/file $i.bin"
  done
  for f in $(seq -w 1 20); do
    mkdir -p "$d/small/folder $f"
    for i in $(seq -w 1 100); do head -c $((10#$i * 97)) /dev/urandom >"$d/small/folder $f/note $i.txt"; done
  done
}

new_disk() {  # new_disk IMAGE TYPE: 2 GiB, one partition from sector 2048
  truncate -s 2G "$1"
  printf 'label: dos\nstart=2048, type=%s\n' "$2" | sfdisk -q "$1"
}

# recover_volume fat32|ntfs: the image's path, built once.
recover_volume() { cached "$BENCH_CACHE/recover-$1.img" "build_recover_$1"; }
build_recover_fat32() {
  need mkfs.fat mcopy sfdisk
  export MTOOLS_SKIP_CHECK=1
  make_tree "$2"
  new_disk "$1" c
  mkfs.fat -F 32 -s 8 --offset 2048 -n BENCH "$1" $((2 * 1024 * 1024 - 1024)) >/dev/null
  mcopy -s -Q -i "$1@@$((2048 * 512))" "$2"/* ::/
}
build_recover_ntfs() {
  needs_root "the NTFS recovery volume"
  make_tree "$2"
  new_disk "$1" 7
  scratch_folder
  loop=$(losetup -f --show -o $((2048 * 512)) --sizelimit $(((2 << 30) - 2048 * 512)) "$1")
  mkntfs -q -Q -F -c 4096 -p 2048 -H 255 -S 63 -L bench "$loop" >/dev/null
  ntfs-3g "$loop" "$work/mnt"
  cp -r "$2"/. "$work/mnt"/
  umount "$work/mnt"
  losetup -d "$loop"
  loop=""
}

# recover_output: where recoveries go. In memory when there is room: on a disk
# file system the inodes freed by one run slow down the files the next run
# creates, which measures the file system rather than the tools.
recover_output() {
  if [ "$(df -k --output=avail /dev/shm | tail -1)" -gt $((3 << 20)) ]; then
    echo /dev/shm/vantor-bench-recover-$$
  else
    echo "$BENCH_CACHE/recover-out"
  fi
}

# small_tree DIR TOPS SUBS FILES: TOPS × SUBS folders of FILES short text files
# each, with long names.
small_tree() {
  local d=$1 top sub f
  for top in $(seq -w 1 "$2"); do
    for sub in $(seq -w 1 "$3"); do
      mkdir -p "$d/top folder $top/sub folder $sub"
      for f in $(seq -w 1 "$4"); do
        echo "file $f of $top-$sub" >"$d/top folder $top/sub folder $sub/file number $f.txt"
      done
    done
  done
}

# Where lost_disk put its two file systems, in sectors.
LOST_FAT16_START=2048
LOST_FAT32_START=2099200

# lost_disk: a sparse 4 GiB MBR disk whose table is gone (sector 0 zeroed): FAT16
# of 1 GiB at sector 2048 and FAT32 over the rest, each holding 300 files in 40
# folders. The hidden sectors of each boot sector hold its start, as Windows
# writes them.
lost_disk() { cached "$BENCH_CACHE/lost-4g.img" build_lost; }
build_lost() {
  local image=$1 tree=$2 sectors=$((4 << 21)) fat16=$((1 << 21))
  need sfdisk mkfs.fat mcopy
  export MTOOLS_SKIP_CHECK=1
  small_tree "$tree" 10 3 10
  truncate -s $((sectors * 512)) "$image"
  printf 'label: dos\nunit: sectors\nstart=%d, size=%d, type=6\nstart=%d, size=%d, type=c\n' \
    $LOST_FAT16_START $fat16 $LOST_FAT32_START $((sectors - LOST_FAT32_START)) | sfdisk -q "$image"
  mkfs.fat -F 16 --offset $LOST_FAT16_START -h $LOST_FAT16_START -n LOST16 "$image" $((fat16 / 2)) >/dev/null
  mkfs.fat -F 32 --offset $LOST_FAT32_START -h $LOST_FAT32_START -n LOST32 "$image" \
    $(((sectors - LOST_FAT32_START) / 2)) >/dev/null
  mcopy -s -Q -i "$image@@$((LOST_FAT16_START * 512))" "$tree"/* ::/
  mcopy -s -Q -i "$image@@$((LOST_FAT32_START * 512))" "$tree"/* ::/
  dd if=/dev/zero of="$image" bs=512 count=1 conv=notrunc status=none
}

# six_fat16_disk: a sparse 128 MiB MBR disk whose table is gone (sector 0
# zeroed): six FAT16 volumes of 16 MiB, three primary and three logical in an
# extended partition, each holding files in its root only, so no folder
# confirms a boot sector. The starts are in SIX_FAT16_STARTS.
SIX_FAT16_STARTS="2048 34816 67584 102400 137216 172032"
six_fat16_disk() { cached "$BENCH_CACHE/six-fat16.img" build_six_fat16; }
build_six_fat16() {
  local image=$1 tree=$2 start i=0 layout="label: dos"$'\n'"unit: sectors"$'\n'
  need sfdisk mkfs.fat mcopy
  export MTOOLS_SKIP_CHECK=1
  for start in $SIX_FAT16_STARTS; do
    ((i == 3)) && layout+="start=100352, type=5"$'\n'
    layout+="start=$start, size=32768, type=6"$'\n'
    i=$((i + 1))
  done
  truncate -s 128M "$image"
  sfdisk -q "$image" <<<"$layout"
  for start in $SIX_FAT16_STARTS; do
    for i in 1 2 3; do echo "file $i of the volume at $start" >"$tree/file$i.txt"; done
    mkfs.fat -F 16 --offset "$start" -h "$start" "$image" 16384 >/dev/null
    mcopy -Q -i "$image@@$((start * 512))" "$tree"/* ::/
  done
  dd if=/dev/zero of="$image" bs=512 count=1 conv=notrunc status=none
}

# fat_2g_volume: FAT32 of 2 GiB with the default cluster size (4 KiB), no
# partition table, filled to 1.5 GiB: 4 000 files in 200 folders (20 × 10, 20
# files each) of 8 to 776 KiB, random bytes and text in turn. Only the free
# space is left sparse, so a read of the image mostly costs what it would on a
# real disk.
fat_2g_volume() { cached "$BENCH_CACHE/fat32-2g.img" build_fat_2g; }
build_fat_2g() {
  local image=$1 tree=$2 top sub f n
  need mkfs.fat mcopy
  export MTOOLS_SKIP_CHECK=1
  for top in $(seq -w 1 20); do
    for sub in $(seq -w 1 10); do
      mkdir -p "$tree/top folder $top/sub folder $sub"
      for f in $(seq -w 1 20); do
        n=$(((10#$top * 7 + 10#$sub * 13 + 10#$f * 31) % 97))
        if ((10#$f % 2)); then
          head -c $(((n + 1) * 8 * 1024)) /dev/urandom
        else
          (seq 1 1000000 || true) | head -c $(((n + 1) * 8 * 1024))
        fi >"$tree/top folder $top/sub folder $sub/file number $f.bin"
      done
    done
  done
  mkfs.fat -C -F 32 -n BENCH "$image" $((2 << 20)) >/dev/null
  mcopy -s -Q -i "$image" "$tree"/* ::/
}

# raw_disk: 2 GiB of noise (AES-CTR over zeros) with the files of the raw
# fixture (tests/fixtures/make-raw-fixtures.sh) written over it every 4 MiB,
# in the order of its layout, in turn: 512 files, each at a sector boundary.
raw_disk() { cached "$BENCH_CACHE/raw-2g.img" build_raw; }
build_raw() {
  local image=$1 files="$BENCH_CACHE/raw-fixture" i name names
  need openssl convert gs zip
  "$REPO/tests/fixtures/make-raw-fixtures.sh" "$files"
  head -c $((2 << 30)) /dev/zero |
    openssl enc -aes-128-ctr -nosalt -K 0f0e0d0c0b0a09080706050403020100 -iv 00000000000000000000000000000000 >"$image"
  mapfile -t names < <(awk '{print $4}' "$files/raw.layout")
  ((${#names[@]} > 0)) || fail "the raw fixture in $files has no files"
  for ((i = 0; i < 512; i++)); do
    name=${names[i % ${#names[@]}]}
    dd if="$files/files/$name" of="$image" bs=4M seek="$i" conv=notrunc status=none
  done
}

# noise_disk: 4 GiB of noise (AES-CTR over zeros): nothing to skip, nothing to
# compress, each byte copied.
noise_disk() { cached "$BENCH_CACHE/noise-4g.img" build_noise; }
build_noise() {
  need openssl
  head -c $((4 << 30)) /dev/zero |
    openssl enc -aes-128-ctr -nosalt -K 000102030405060708090a0b0c0d0e0f -iv 00000000000000000000000000000000 >"$1"
}
