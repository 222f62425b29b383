#!/usr/bin/env bash
# Cold start: the whole process of `vantor info` on the bundled sample against
# `qemu-img info` on the same file. Target: at most 1.0 × qemu-img.
set -euo pipefail
RUNS="${RUNS:-21}"
source "$(dirname "$0")/lib.sh"
sample="$REPO/samples/sample.vmdk"
compare "cold start: info on the sample" 1.0 "'$VANTOR' info '$sample'" "qemu-img info '$sample'"
