#!/usr/bin/env bash
# `vantor image` of a 4 GiB disk of noise into one image file against
# `dd bs=1M conv=fsync` (which, like us, has the copy on the disk when it ends)
# and `qemu-img convert -O raw`, in one run. Target: at most 1.1 × dd's time.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/volumes.sh"
need dd qemu-img
source_image=$(noise_disk)
out=$(mktemp -d "$BENCH_CACHE/imaging-out.XXXXXX")
trap 'rm -rf "$out"' EXIT
cat "$source_image" >/dev/null  # from the page cache, for each of them
ours="'$VANTOR' image --quiet '$source_image' -o '$out/Image.img' >/dev/null"
dd="dd if='$source_image' of='$out/dd.img' bs=1M conv=fsync status=none"
qemu="qemu-img convert -f raw -O raw '$source_image' '$out/qemu.img'"
reset="rm -f '$out'/*.img '$out'/*.map; sync"
# Ours must copy every byte of the disk into one piece.
bash -c "$ours" || fail "exit $? from: $ours"
pieces=("$out"/Image*.img)
((${#pieces[@]} == 1)) && cmp -s "${pieces[0]}" "$source_image" ||
  fail "vantor image's copy (${pieces[*]}) differs from $source_image"
compare "disk imaging vs dd, 4 GiB" 1.1 "$ours" "$dd" "$reset"
compare "disk imaging vs qemu-img convert, 4 GiB" 1.1 "$ours" "$qemu" "$reset"
