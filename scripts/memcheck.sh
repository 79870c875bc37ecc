#!/usr/bin/env bash
# Plays the headless tour under valgrind memcheck: fails on any invalid read or write, use of
# uninitialised memory, or definite leak that is not the font caches' own (scripts/valgrind.supp).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh" release
out="$(mktemp -d)"
valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite --errors-for-leak-kinds=definite \
  --suppressions="$here/scripts/valgrind.supp" --error-exitcode=3 --num-callers=30 \
  "$here/build/release/apps/host/glyphward-host" --headless --snapshots "$out/tour" "$@" >"$out/transcript.txt"
echo "memcheck: clean (transcript and pictures in $out)"
