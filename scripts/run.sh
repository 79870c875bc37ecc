#!/usr/bin/env bash
# Sets up, then runs the demo host with the lock injected: a window where a display exists,
# the built-in tour headless otherwise (pictures in ./glyphward-tour).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh" release
host="$here/build/release/apps/host/glyphward-host"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$host" "$@"
else
  exec "$host" --headless "$@"
fi
