#!/bin/bash
# The window's cost of a finger drag: the host in a real window on a virtual X display (Xvfb,
# 1920×1080), the finger put down on the picture's middle and moved a few hundred times with
# xdotool, the host's CPU time (user + system, from /proc) read before and after. Prints one line:
#   window SCREEN MOVES CPU_SECONDS
# Usage: window-cpu.sh HOST STAGED_ROOT SCREEN [MOVES]
set -euo pipefail
[ $# -ge 3 ] || { echo "usage: window-cpu.sh HOST STAGED_ROOT SCREEN [MOVES]" >&2; exit 2; }
host=$(realpath "$1"); staged=$(realpath "$2"); screen=$3; moves=${4:-300}
for tool in Xvfb xdotool; do
    command -v "$tool" > /dev/null || { echo "window-cpu: $tool is not installed" >&2; exit 1; }
done
work=$(mktemp -d /tmp/glyphward-window-cpu-XXXXXX)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2> /dev/null || true; done; wait 2> /dev/null || true; rm -rf "$work"' EXIT

Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3> "$work/display" 2> "$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "window-cpu: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")"

cp -a "$staged" "$work/root"
SDL_RENDER_DRIVER=software "$host" --root "$work/root" --screen "$screen" > /dev/null 2> "$work/host.err" &
host_pid=$!
pids+=("$host_pid")
wid=
for _ in $(seq 300); do
    wid=$(xdotool search --onlyvisible --pid "$host_pid" --name '^Glyphward' 2> /dev/null | head -n 1 || true)
    [ -n "$wid" ] && break
    sleep 0.1
done
[ -n "$wid" ] || { echo "window-cpu: no window appeared" >&2; cat "$work/host.err" >&2; exit 1; }
sleep 2   # the window finds its place and draws its first frames
eval "$(xdotool getwindowgeometry --shell "$wid")"
cx=$((X + WIDTH / 2)); cy=$((Y + HEIGHT * 2 / 3))

cpu() { awk '{ print $14 + $15 }' "/proc/$host_pid/stat"; }
xdotool mousemove "$cx" "$cy" mousedown 1
sleep 0.5
before=$(cpu)
args=()
for i in $(seq "$moves"); do
    # A small circle around the finger's first place: the trail's loose end follows it.
    dx=$(( (i % 8 < 4 ? i % 4 : 4 - i % 4) * 6 - 12 )); dy=$(( ((i + 2) % 8 < 4 ? (i + 2) % 4 : 4 - (i + 2) % 4) * 6 - 12 ))
    args+=(mousemove "$((cx + dx))" "$((cy + dy))" sleep 0.01)
done
xdotool "${args[@]}"
sleep 0.5
after=$(cpu)
xdotool mouseup 1
ticks=$(getconf CLK_TCK)
kill -0 "$host_pid" 2> /dev/null || { echo "window-cpu: the host ended" >&2; cat "$work/host.err" >&2; exit 1; }
awk -v s="$screen" -v m="$moves" -v b="$before" -v a="$after" -v t="$ticks" 'BEGIN { printf "window %s %d %.4f\n", s, m, (a - b) / t }'
