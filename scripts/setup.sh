#!/usr/bin/env bash
# Installs the Debian packages the project needs (as root, on Debian 12), then configures and
# builds one preset. Usage: scripts/setup.sh [preset]   (default: release)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"

packages=(build-essential cmake ninja-build pkg-config git
  libcairo2-dev libpango1.0-dev libsdl2-dev libplist-dev
  nlohmann-json3-dev libcli11-dev libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core fonts-wqy-microhei xvfb xauth clang libclang-rt-14-dev valgrind
  xdotool libx11-dev libx11-xcb-dev libxcb-shm0-dev python3 libpng-dev twm x11-utils
  librsvg2-bin lintian desktop-file-utils appstream man-db groff-base)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing packages: ${missing[*]} (run as root to install them)" >&2
    exit 1
  fi
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q "${missing[@]}"
fi

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
