#!/usr/bin/env bash
# `vantor raw` against PhotoRec and foremost on the 2 GiB disk of noise with 512
# files written over it (bench/volumes.sh), the same five types for each: JPEG,
# PNG, BMP, PDF and ZIP. Target: at most 1.0 × PhotoRec; foremost's ratio is
# printed beside it. Ours must find at least as many files as PhotoRec; the
# files each one found go to standard error.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/volumes.sh"
need photorec foremost
image=$(raw_disk)
cat "$image" >/dev/null  # from the page cache, for each of them
outs=$(mktemp -d "$BENCH_CACHE/raw-out.XXXXXX")
trap 'rm -rf "$outs"' EXIT
export TERM="${TERM:-dumb}"
ours="mkdir -p '$outs/ours' && '$VANTOR' raw --quiet '$image' -o '$outs/ours' --types JPEG,PNG,BMP,PDF,ZIP >/dev/null"
photorec="photorec /log /d '$outs/photorec/recup' /cmd '$image' \
partition_none,fileopt,everything,disable,jpg,enable,png,enable,bmp,enable,pdf,enable,zip,enable,search </dev/null >/dev/null 2>&1"
foremost="foremost -Q -t jpg,png,bmp,pdf,zip -i '$image' -o '$outs/foremost' >/dev/null 2>&1"
reset="rm -rf '$outs/ours' '$outs/photorec' '$outs/foremost'; mkdir -p '$outs/photorec'"
# One checked run of each (PhotoRec leaves its log in the folder it runs in).
bash -c "$reset"
for run in "$ours" "$photorec" "$foremost"; do
  (cd "$outs" && bash -c "$run") || fail "exit $? from: $run"
done
found=$(find "$outs/ours" -type f ! -name raw-report.csv | wc -l)
photorec_found=$(find "$outs/photorec" -type f ! -name '*.xml' | wc -l)
foremost_found=$(find "$outs/foremost" -type f ! -name audit.txt | wc -l)
echo "files found (512 placed, 85 of these five types): vantor $found, PhotoRec $photorec_found," \
  "foremost $foremost_found" >&2
((found >= photorec_found && found > 0)) || fail "vantor raw finds $found files, PhotoRec $photorec_found"
compare "raw recovery vs PhotoRec, 2 GiB, 5 types" 1.0 "cd '$outs/photorec' && $ours" "cd '$outs/photorec' && $photorec" "$reset"
compare "raw recovery vs foremost, 2 GiB, 5 types" 1.0 "$ours" "$foremost" "$reset"
