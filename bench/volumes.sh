# The 100 000-file volumes of the scan and memory benchmarks, built once and
# cached under $BENCH_CACHE. Sourced after lib.sh; each function prints the
# image's path, and is run in $(...).
source "$REPO/tests/fixtures/scratch.sh"

# fat_100k_volume: FAT32, 100 000 files in 5 000 folders (50 × 100, 20 files
# each, long names); 5 top folders (10 000 files) deleted with mdeltree and 500
# files with mdel. The volume fills the image (no partition table).
fat_100k_volume() {
  local image="$BENCH_CACHE/fat32-100k.img" tree top sub f
  if [ ! -f "$image" ]; then
    need mkfs.fat mcopy mdeltree mdel
    echo "building $image (once)..." >&2
    export MTOOLS_SKIP_CHECK=1
    tree="$(mktemp -d "$BENCH_CACHE/tree.XXXXXX")"
    for top in $(seq -w 1 50); do
      for sub in $(seq -w 1 100); do
        mkdir -p "$tree/top folder $top/sub folder $sub"
        for f in $(seq -w 1 20); do printf x >"$tree/top folder $top/sub folder $sub/file number $f of $top-$sub.txt"; done
      done
    done
    rm -f "$image.tmp"
    mkfs.fat -C -F 32 -s 1 -n BENCH "$image.tmp" $((192 * 1024)) >/dev/null
    mcopy -s -Q -i "$image.tmp" "$tree"/* ::/
    for top in 01 11 21 31 41; do mdeltree -i "$image.tmp" "::/top folder $top"; done
    for sub in $(seq -w 1 100 | head -n 25); do
      for f in $(seq -w 1 20); do echo "::/top folder 02/sub folder $sub/file number $f of 02-$sub.txt"; done
    done | xargs -d '\n' mdel -i "$image.tmp"
    rm -rf "$tree"
    mv "$image.tmp" "$image"
  fi
  echo "$image"
}

# fat_million_volume: FAT32 (512-byte clusters), 1 000 000 files of one byte in
# 1 000 folders, every one with a long name; written directly by
# fat32-million.py into a sparse image.
fat_million_volume() {
  local image="$BENCH_CACHE/fat32-million.img"
  if [ ! -f "$image" ]; then
    need mkfs.fat python3
    echo "building $image (once)..." >&2
    rm -f "$image.part"
    truncate -s 1G "$image.part"
    mkfs.fat -F 32 -s 1 -n MILLION "$image.part" >/dev/null
    python3 "$REPO/bench/fat32-million.py" "$image.part" 1000 1000
    mv "$image.part" "$image"
  fi
  echo "$image"
}

# ntfs_100k_volume: an MBR disk with NTFS at sector 2048 holding 100 000 files in
# 5 000 folders; every tenth folder and one file in each other folder deleted.
# Built through an ntfs-3g mount (root and /dev/fuse).
ntfs_100k_volume() {
  local image="$BENCH_CACHE/ntfs-100k.img"
  if [ ! -f "$image" ]; then
    [ "$(id -u)" -eq 0 ] && [ -c /dev/fuse ] || { echo "building the NTFS volume needs root and /dev/fuse" >&2; exit 1; }
    need mkntfs ntfs-3g sfdisk losetup python3
    echo "building $image (once)..." >&2
    scratch_folder  # undone when the $(...) that runs this function ends
    rm -f "$image.part"
    truncate -s 1G "$image.part"
    printf 'label: dos\nstart=2048, type=7\n' | sfdisk -q "$image.part"
    loop=$(losetup -f --show -o $((2048 * 512)) --sizelimit $(((1 << 30) - 2048 * 512)) "$image.part")
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
    mv "$image.part" "$image"
  fi
  echo "$image"
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

new_disk() {  # new_disk IMAGE TYPE
  rm -f "$1"
  truncate -s 2G "$1"
  printf 'label: dos\nstart=2048, type=%s\n' "$2" | sfdisk -q "$1"
}

build_fat() {
  local image="$BENCH_CACHE/recover-fat32.img" tree
  [ -f "$image" ] && return
  need mkfs.fat mcopy sfdisk
  export MTOOLS_SKIP_CHECK=1
  echo "building $image (once)..." >&2
  tree="$(mktemp -d "$BENCH_CACHE/tree.XXXXXX")"
  make_tree "$tree"
  new_disk "$image.tmp" c
  mkfs.fat -F 32 -s 8 --offset 2048 -n BENCH "$image.tmp" $((2 * 1024 * 1024 - 1024)) >/dev/null
  mcopy -s -Q -i "$image.tmp@@$((2048 * 512))" "$tree"/* ::/
  rm -rf "$tree"
  mv "$image.tmp" "$image"
}

build_ntfs() {
  local image="$BENCH_CACHE/recover-ntfs.img" tree
  [ -f "$image" ] && return
  if [ "$(id -u)" -ne 0 ] || [ ! -c /dev/fuse ] || ! command -v ntfs-3g >/dev/null; then
    echo "recover: NTFS volume skipped (needs root, /dev/fuse and ntfs-3g)" >&2
    return
  fi
  echo "building $image (once)..." >&2
  tree="$(mktemp -d "$BENCH_CACHE/tree.XXXXXX")"
  make_tree "$tree"
  new_disk "$image.tmp" 7
  scratch_folder
  loop=$(losetup -f --show -o $((2048 * 512)) --sizelimit $(((2 << 30) - 2048 * 512)) "$image.tmp")
  mkntfs -q -Q -F -c 4096 -p 2048 -H 255 -S 63 -L bench "$loop" >/dev/null
  ntfs-3g "$loop" "$work/mnt"
  cp -r "$tree"/. "$work/mnt"/
  umount "$work/mnt"
  losetup -d "$loop"
  loop=""
  rm -rf "$tree"
  mv "$image.tmp" "$image"
}

# recover_volume fat32|ntfs: the image's path, built once; empty when it cannot be.
recover_volume() {
  local image="$BENCH_CACHE/recover-$1.img"
  if [ "$1" = fat32 ]; then build_fat >&2; else build_ntfs >&2; fi
  [ -f "$image" ] && echo "$image"
  return 0
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
