#!/usr/bin/env bash
# Cold start: the whole process of `vantor info` on the bundled sample against
# `qemu-img info` on the same file. Target: at most 1.0 × qemu-img.
set -euo pipefail
RUNS="${RUNS:-21}"
source "$(dirname "$0")/lib.sh"
need qemu-img
sample="$REPO/samples/sample.vmdk"
# What the sample's descriptor says (createType, ddb.geometry) and its MBR.
info=$("$VANTOR" info "$sample") || fail "vantor info $sample: exit $?"
for line in "Virtual Machine Type  : monolithicSparse" "Cylinder   : 95" "Head   : 16" "Sectors Per Track   : 63" \
  "Partition Scheme   : MBR"; do
  grep -qxF "$line" <<<"$info" || fail "vantor info does not print \"$line\"; it prints: ${info:-nothing}"
done
compare "cold start: info on the sample" 1.0 "'$VANTOR' info '$sample'" "qemu-img info '$sample'"
