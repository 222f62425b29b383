#!/usr/bin/env bash
# Renders the wizard's dialogs of a typical run on the bundled sample disk to PNG
# files on the offscreen platform: the start dialog, Steps 1 and 2, Step 3 in the
# middle of a long scan, Step 4 and the saving dialog; then a lost-partition
# search: Step 2 (a), the search running and Step 2 (c); the NTFS search
# running and its Step 2 (c); raw recovery's types and its Step 3; the image's
# target and the copy running; and Step 4's file search, saving filter and
# preview.
# Usage: tools/screenshots.sh [OUTDIR]   (default: build/screenshots)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/build/screenshots}"
make -C "$root" build > /dev/null
"$root/tests/gui/make-big-fat.sh" "$root/build/fixtures/gui-big-fat"
"$root/tests/fixtures/make-lost-fixtures.sh" "$root/build/fixtures/lost" 2>/dev/null
VANTOR_FIXTURES="$root/build/fixtures" "$root/tests/fixtures/make-ntfs-lost-fixtures.sh" 2>/dev/null ||
  echo "no NTFS search screenshots: its fixtures need root, FUSE, mkntfs and ntfs-3g" >&2
VANTOR_FIXTURES="$root/build/fixtures" "$root/tests/fixtures/make-raw-fixtures.sh" 2>/dev/null
mkdir -p "$out"
VANTOR_SOURCE_DIR="$root" QT_QPA_PLATFORM=offscreen \
  VANTOR_FIXTURES="$root/build/fixtures" "$root/build/tests/gui_screenshots" "$out" "$root/samples/sample.vmdk" --long-scan
echo "screenshots in $out:"
ls "$out"
