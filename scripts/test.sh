#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite. Usage: scripts/test.sh [preset]  (release or asan)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
preset="${1:-release}"
"$here/scripts/setup.sh" "$preset"
cd "$here"
ctest --preset "$preset"
