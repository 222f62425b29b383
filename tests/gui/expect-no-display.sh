#!/bin/sh
# Runs the wizard (the first argument) as the environment leaves it and expects
# the plain no-display message and exit status 1.
out=$("$1" 2>&1)
rc=$?
echo "$out"
[ "$rc" -eq 1 ] && echo "$out" | grep -q 'no display found'
