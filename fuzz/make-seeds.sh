#!/usr/bin/env bash
# Rebuilds the seed corpus fuzz/corpus/vmdk/ (its output is committed): the
# hand-built seeds of make-seeds.py and the heads of small qemu-img made disks.
# A descriptor and its extent are joined by the harness's marker line.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$here/corpus/vmdk
python3 "$here/make-seeds.py" "$out"
command -v qemu-img >/dev/null || { echo "qemu-img missing: only the hand-built seeds"; exit 0; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
truncate -s 1M r1.img
printf 'hello grain' | dd of=r1.img bs=1 seek=70000 conv=notrunc status=none
qemu-img convert -O vmdk -o subformat=monolithicSparse r1.img q-ms.vmdk
qemu-img convert -O vmdk -o subformat=twoGbMaxExtentSparse r1.img q-ts.vmdk
qemu-img convert -O vmdk -o subformat=monolithicFlat r1.img q-mf.vmdk
head -c 65536 q-ms.vmdk > "$out/qemu-monolithicSparse-head"
{ tr -d '\000' < q-ts.vmdk | sed 's/q-ts-s001.vmdk/e.vmdk/'; printf 'VANTOR-EXTENT\n'; head -c 65536 q-ts-s001.vmdk; } \
  > "$out/qemu-twoGbMaxExtentSparse"
{ tr -d '\000' < q-mf.vmdk | sed 's/q-mf-flat.vmdk/e.vmdk/'; printf 'VANTOR-EXTENT\n'; head -c 4096 q-mf-flat.vmdk; } \
  > "$out/qemu-monolithicFlat"
