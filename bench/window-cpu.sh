#!/bin/bash
# The window's cost of a finger drag: the host in a real window on a virtual X display (Xvfb,
# 1920×1080, no window manager), a finger drawing the trail through every node and then wandering
# a few hundred times around the last one, as the headless reference does; the host's CPU time
# (from /proc) read before and after the wandering. Prints one line:
#   window SCREEN MOVES CPU_SECONDS
# Usage: window-cpu.sh HOST STAGED_ROOT SCREEN [MOVES]
set -euo pipefail
[ $# -ge 3 ] || { echo "usage: window-cpu.sh HOST STAGED_ROOT SCREEN [MOVES]" >&2; exit 2; }
host=$(realpath "$1"); staged=$(realpath "$2"); screen=$3; moves=${4:-300}
[[ $screen =~ ^([0-9]+)x([0-9]+)@([0-9]+)$ ]] || { echo "window-cpu: SCREEN is WIDTHxHEIGHT@SCALE, not '$screen'" >&2; exit 2; }
points_w=${BASH_REMATCH[1]}; points_h=${BASH_REMATCH[2]}
[[ $moves =~ ^[1-9][0-9]*$ ]] || { echo "window-cpu: MOVES is a positive whole number, not '$moves'" >&2; exit 2; }
for tool in Xvfb xdotool; do
    command -v "$tool" > /dev/null || { echo "window-cpu: $tool is not installed" >&2; exit 1; }
done
work=$(mktemp -d /tmp/glyphward-window-cpu-XXXXXX)
pids=()
finish() {
    for p in "${pids[@]+"${pids[@]}"}"; do kill "$p" 2> /dev/null || true; done
    wait 2> /dev/null || true
    rm -rf "$work"
}
trap finish EXIT

# The nodes' centres in points, as the lock lays them out on this screen.
cp -a "$staged" "$work/reference-root"
printf 'launch\nprint\n' > "$work/nodes.scenario"
(cd "$work" && "$host" --headless --root "$work/reference-root" --screen "$screen" --script nodes.scenario > nodes.out 2>&1) \
    || { echo "window-cpu: the headless run failed" >&2; cat "$work/nodes.out" >&2; exit 1; }
nodes=($(grep -o '"nodes":\[\[[^"]*\]\]' "$work/nodes.out" | head -n 1 | tr -d '"nodes:[' | tr ']' ' ' | tr -s ', ' ' '))
[ "${#nodes[@]}" = 18 ] || { echo "window-cpu: no node centres in the headless run" >&2; exit 1; }

Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3> "$work/display" 2> "$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "window-cpu: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display")"

cp -a "$staged" "$work/root"
"$host" --root "$work/root" --screen "$screen" > /dev/null 2> "$work/host.err" &
host_pid=$!
pids+=("$host_pid")
wid=
for _ in $(seq 300); do
    wid=$(xdotool search --onlyvisible --pid "$host_pid" --name '^Glyphward' 2> /dev/null | head -n 1 || true)
    [ -n "$wid" ] && break
    kill -0 "$host_pid" 2> /dev/null || break
    sleep 0.1
done
[ -n "$wid" ] || { echo "window-cpu: no window appeared" >&2; cat "$work/host.err" >&2; exit 1; }
sleep 2   # the window finds its place and draws its first frames
eval "$(xdotool getwindowgeometry --shell "$wid")"

# Screen points to display coordinates: the picture as large as fits, aspect kept, centred.
to_display() {
    awk -v px="$1" -v py="$2" -v x="$X" -v y="$Y" -v w="$WIDTH" -v h="$HEIGHT" -v pw="$points_w" -v ph="$points_h" 'BEGIN {
        s = w / pw < h / ph ? w / pw : h / ph
        printf "%d %d", x + (w - pw * s) / 2 + px * s, y + (h - ph * s) / 2 + py * s }'
}
node() { to_display "${nodes[$((2 * $1))]}" "${nodes[$((2 * $1 + 1))]}"; }

# Every node, in an order that crosses the screen several times; the finger stays on the last.
trail=(0 4 8 5 2 1 3 6 7)
args=()
for i in "${!trail[@]}"; do
    read -r px py <<< "$(node "${trail[$i]}")"
    if [ "$i" = 0 ]; then args+=(mousemove "$px" "$py" mousedown 1); else args+=(mousemove "$px" "$py"); fi
    args+=(sleep 0.05)
done
xdotool "${args[@]}"
sleep 0.5

# CPU seconds so far: the scheduler's nanoseconds where it keeps them, else clock ticks (1/100 s).
if [ -r "/proc/$host_pid/schedstat" ]; then
    cpu() { awk '{ printf "%.6f\n", $1 / 1e9 }' "/proc/$host_pid/schedstat"; }
else
    ticks=$(getconf CLK_TCK)
    cpu() { awk -v t="$ticks" '{ printf "%.6f\n", ($14 + $15) / t }' "/proc/$host_pid/stat"; }
fi
# Around the last node, where nothing new is selected: the trail's loose end follows the finger.
last=${trail[-1]}
lx=${nodes[$((2 * last))]}; ly=${nodes[$((2 * last + 1))]}
wander=()
for offset in "15 -20" "-12 -25" "3 -35"; do
    read -r ox oy <<< "$offset"
    wander+=("$(to_display "$(awk -v a="$lx" -v b="$ox" 'BEGIN { print a + b }')" "$(awk -v a="$ly" -v b="$oy" 'BEGIN { print a + b }')")")
done
args=()
for i in $(seq "$moves"); do
    args+=(mousemove ${wander[$((i % 3))]} sleep 0.01)
done
before=$(cpu)
xdotool "${args[@]}"
sleep 0.5
after=$(cpu)
xdotool mouseup 1
kill -0 "$host_pid" 2> /dev/null || { echo "window-cpu: the host ended" >&2; cat "$work/host.err" >&2; exit 1; }
awk -v s="$screen" -v m="$moves" -v b="$before" -v a="$after" 'BEGIN { printf "window %s %d %.4f\n", s, m, a - b }'
