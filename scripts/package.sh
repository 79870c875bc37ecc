#!/usr/bin/env bash
# Sets up and builds the release preset, then makes the Debian package with CPack:
# build/package/glyphward_<version>_<arch>.deb. Install it with
#   sudo apt install ./build/package/glyphward_*.deb
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh" release
cd "$here"
mkdir -p build/package
rm -f build/package/glyphward_*.deb
cpack --config build/release/CPackConfig.cmake -B build/package
ls build/package/glyphward_*.deb
