#!/usr/bin/env bash
# Remakes docs/tour.png, the contact sheet at the top of the README, from the headless tour.
# The tour plays on a 1x screen, so its own contact sheet comes out small (about 870 x 900
# pixels) with every picture drawn at that size rather than scaled down afterwards.
# Usage: scripts/contact-sheet.sh   (sets up and builds the release preset first)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh" release
work=$(mktemp -d "${TMPDIR:-/tmp}/glyphward-sheet-XXXXXX")
trap 'rm -rf "$work"' EXIT
# The staged root, in English, on a fixed clock: the same build gives the same picture.
env -u GLYPHWARD_ROOT "$here/build/release/apps/host/glyphward-host" --headless --screen 320x568@1 --lang en \
  --epoch 1796000000 --snapshots "$work" > "$work/transcript.txt"
mkdir -p "$here/docs"
cp "$work/tour.png" "$here/docs/tour.png"
size=$(stat -c %s "$here/docs/tour.png")
if [ "$size" -gt 500000 ]; then
  echo "contact-sheet: docs/tour.png is $size bytes, more than a README picture should be" >&2
  exit 1
fi
echo "contact-sheet: wrote docs/tour.png ($size bytes)"
