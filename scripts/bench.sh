#!/usr/bin/env bash
# Builds the bench preset, runs the micro-benchmarks (in three processes) and the host start-up
# and memory runs, the window's CPU per pointer move under Xvfb (bench/window-cpu.sh), and
# prints one table (also written to bench/RESULTS.md); the figures and the table are bench/report.py's.
# Usage: scripts/bench.sh [runs-per-start-up]
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$(pwd)
build=build/bench
runs=${1:-30}

cmake --preset bench >/dev/null
cmake --build --preset bench --target glyphward-bench glyphward-host glyphward-dylib glyphward-bundle

out=$(mktemp -d /tmp/glyphward-bench-XXXXXX)
trap 'rm -rf "$out"' EXIT

# The memset reference moves between processes (where its buffer lands) far more than the
# frames do: several processes, and the fastest of each figure over all of them.
for process in 1 2 3; do
  "$build/bench/glyphward-bench" --benchmark_format=console --benchmark_out="$out/micro-$process.json" \
      --benchmark_out_format=json --benchmark_min_time=0.25 --benchmark_repetitions=3 >&2
done

# The window's CPU per pointer move under Xvfb, at the default 2× screen and at a 3× one: three
# sessions of each, in turn, of which the report takes the cheapest, as it takes the fastest
# process of the frames.
if command -v Xvfb > /dev/null && command -v xdotool > /dev/null; then
  for session in 1 2 3; do
    for screen in 320x568@2 390x844@3; do
      "$source_dir/bench/window-cpu.sh" "$build/apps/host/glyphward-host" "$build/root" "$screen" 300 \
          > "$out/window-$screen-$session.txt" || echo "window figure at $screen (session $session) not measured" >&2
    done
  done
fi

python3 "$source_dir/bench/report.py" "$build/apps/host/glyphward-host" "$build/root" "$out" "$runs" "$source_dir/bench/RESULTS.md"
