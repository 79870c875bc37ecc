#!/usr/bin/env bash
# Runs every test of the suite up to N times (ctest --repeat until-fail:N), as many tests at once
# as there are cores and a busy loop on every core beside them, as on a loaded machine. A test
# stops at its first failure, and the output of the run is shown when any test failed.
# Usage: scripts/stress-tests.sh N [preset]  (release or asan)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
rounds="${1:-}"
preset="${2:-release}"
if ! [[ "$rounds" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: scripts/stress-tests.sh N [preset]   (N: rounds, at least 1)" >&2
  exit 2
fi

"$here/scripts/setup.sh" "$preset"
cd "$here"

cores="$(nproc)"
hogs=()
log="$(mktemp "${TMPDIR:-/tmp}/glyphward-stress-XXXXXX")"
stop() {
  for pid in "${hogs[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait "${hogs[@]}" 2>/dev/null || true
  rm -f "$log"
}
trap stop EXIT
trap 'exit 130' INT TERM
for ((i = 0; i < cores; i++)); do
  (while :; do :; done) &
  hogs+=("$!")
done

start=$SECONDS
if ! ctest --preset "$preset" -j "$cores" --repeat until-fail:"$rounds" > "$log" 2>&1; then
  cat "$log"
  echo "stress: a test failed within $rounds runs ($preset, ctest -j$cores beside $cores busy loops)"
  exit 1
fi
echo "stress: every test passed $rounds times ($preset, ctest -j$cores beside $cores busy loops) in $((SECONDS - start)) s"
