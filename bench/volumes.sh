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
