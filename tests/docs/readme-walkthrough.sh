#!/usr/bin/env bash
# Runs every command of the README's walk-throughs (the indented lines between
# "<!-- walkthrough -->" and "<!-- /walkthrough -->") on the sample disk, in an
# empty folder, with the built `vantor` first on the path: each must succeed and
# print what it found, and one that names "-o DIR" must leave files there, so
# that the README cannot drift from the program.
# Usage: readme-walkthrough.sh SOURCE_DIR VANTOR_BINARY
set -euo pipefail
source_dir=$1
binary=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
ln -s "$binary" "$work/bin/vantor"
ln -s "$source_dir/samples" "$work/samples"
commands=$(awk '/<!-- walkthrough -->/ {on = 1; next} /<!-- \/walkthrough -->/ {on = 0} on && /^    vantor / {sub(/^    /, ""); print}' \
  "$source_dir/README.md")
[ "$(echo "$commands" | grep -c .)" -ge 6 ] || { echo "README: too few walk-through commands found"; exit 1; }
cd "$work"
while IFS= read -r command; do
  if ! PATH="$work/bin:$PATH" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" bash -c "$command" >"$work/out" 2>&1; then
    echo "README command failed: $command"
    tail -5 "$work/out"
    exit 1
  fi
  if ! grep -q . "$work/out"; then
    echo "README command printed nothing: $command"
    exit 1
  fi
  destination=$(sed -n 's/.* -o \([^ ]*\).*/\1/p' <<<"$command")
  if [ -n "$destination" ] && [ -z "$(find "$destination" -type f 2>/dev/null | head -1)" ]; then
    echo "README command saved nothing into $destination: $command"
    exit 1
  fi
  echo "ok: $command"
done <<<"$commands"
