#!/bin/sh
# Fails when a folder of src/ includes a header of a folder above it. The layers,
# from the ground up; core and platform are the ground and may use each other.
set -u
src=$1
order="core platform logs disk catalog partition fat ntfs lost state browser save raw imaging session scan cli gui"
rank() {
  i=0
  for layer in $order; do
    if [ "$layer" = "$1" ]; then
      [ "$i" -eq 1 ] && i=0
      echo "$i"
      return
    fi
    i=$((i + 1))
  done
  echo "unknown"
}
status=0
for dir in "$src"/*/; do
  layer=$(basename "$dir")
  own=$(rank "$layer")
  if [ "$own" = unknown ]; then
    echo "src/$layer/ is not a known layer"
    status=1
    continue
  fi
  for included in $(grep -ho '#include "[a-z]*/' "$dir"* | sed 's/#include "//; s#/##' | sort -u); do
    other=$(rank "$included")
    if [ "$other" = unknown ] || [ "$other" -gt "$own" ]; then
      grep -l "#include \"$included/" "$dir"* | sed "s#^#$layer/ includes $included/: #"
      status=1
    fi
  done
done
# The engines take views, never the whole session.
for layer in disk partition catalog fat ntfs lost state browser save raw imaging logs; do
  [ -d "$src/$layer" ] || continue
  if grep -l '"session/Session.h"' "$src/$layer"/*; then status=1; fi
done
exit $status
