#!/bin/bash
# The desktop window as a person uses it, on virtual X displays (Xvfb) of 1920 × 1080 and
# 1366 × 768, driven by xdotool:
#   - a zoom outside (0, 4] is refused; at both sizes, for a small and a large phone screen, the
#     whole window is on the display, and --zoom 0.5 gives half the frame's size;
#   - the pattern is drawn twice at the window's scaled node positions: "Success", then the host,
#     each compared with the headless snapshot of the same moment scaled to the window;
#   - the message field takes typed text (Chinese included), Backspace deletes, Enter sends it to
#     the top chat, Escape puts the keyboard away; F1 and ? show and hide the keys;
#   - F9 / F10, Ctrl+B / Ctrl+F and minimising / restoring send the host away and back; letters
#     typed while the lock is in front do neither; closing the window goes the background way
#     and the passcode is on disk afterwards;
#   - a trail drawn and dropped with Escape leaves no pixel of it behind;
#   - while away the window shows the lock's background picture and the banner, no pixel of the
#     host; back, it shows the host when the policy lets it through, else the lock, with no frame
#     of the host on the way;
#   - a resized window shows the picture re-fitted between bars, and a tap lands where it shows;
#   - a session recorded with --record (a pattern typed on the keys, then drawn, a trip to the
#     background and back to the lock, a wrong pattern typed while it fades in) plays back with --script, on a copy of the root it started from, to the
#     very state line the session ended with; a recording is never written over an existing file
#     without --force, and one whose host is killed keeps the lines it had written;
#   - the title reads right in _NET_WM_NAME (UTF-8) and WM_NAME (xprop), and under a window manager
#     (twm) the whole window, its frame included, lies on the display, a too large zoom too, which
#     the host says on stderr.
#
#   window-e2e.sh HOST STAGED_ROOT PROBE DEFAULTS
#
# Every wait is for a condition, polled under a generous limit; nothing assumes the machine's speed.
set -u
[ $# = 4 ] || { echo "usage: window-e2e.sh HOST STAGED_ROOT PROBE DEFAULTS" >&2; exit 2; }
host=$(realpath "$1")
staged=$(realpath "$2")
probe=$(realpath "$3")
defaults=$(realpath "$4")

near=0.012    # a picture this near its reference is the same screen, scaled
apart=0.05    # a region this far from its reference has changed
limit=60      # seconds any one condition may take to come true
displays=0

fail() {
    echo "window: $*" >&2
    [ -s "${work:-}/host.err" ] && sed 's/^/window: host: /' "$work/host.err" | tail -n 20 >&2
    exit 1
}
for tool in Xvfb xdotool twm xprop xwininfo; do
    command -v "$tool" > /dev/null || fail "$tool is not installed (scripts/setup.sh installs it)"
done

work=$(mktemp -d "${TMPDIR:-/tmp}/glyphward-window-XXXXXX") || exit 99
pids=()
finish() {
    local status=$?
    for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null; done
    wait 2> /dev/null
    if [ "$status" = 0 ]; then rm -rf "$work"; else echo "window: logs and pictures are in $work" >&2; fi
}
trap finish EXIT

# Runs the command until it succeeds, for at most $1 seconds.
poll() {
    local until=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$until" ] || return 1
        sleep 0.1
    done
}

fresh_root() {
    rm -rf "$1" && cp -a "$staged" "$1" && rm -f "$1/var/mobile/Library/Preferences/org.glyphward.host.plist"
}

# Starts the host on a display and finds its window (see measure_window).
start_host() {
    local display=$1
    shift
    # What a window session leaves at exit under the address sanitizer belongs to the X libraries
    # SDL loads and unloads itself: gone before the leak check runs, they cannot be named in a
    # suppression. The host's own teardown is leak-checked by the headless runs and the scenarios.
    DISPLAY=$display SDL_RENDER_DRIVER=software ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
        "$host" "$@" > "$work/host.out" 2>> "$work/host.err" &
    host_pid=$!
    pids+=("$host_pid")
    # A search may meet a window of an earlier host that the server is just taking down; it is tried again.
    # A host that has ended will show no window: that is said at once, with what it wrote.
    find_window() {
        wid=$(DISPLAY=$display xdotool search --onlyvisible --pid "$host_pid" --name '^Glyphward' 2> /dev/null | head -n 1)
        [ -n "$wid" ] || ! kill -0 "$host_pid" 2> /dev/null
    }
    poll "$limit" find_window && [ -n "$wid" ] || fail "no window appeared for $*"
    measure_window "$display"
    # The window finds its place in a step or two after it shows: measured until it stays put.
    settled() {
        local before="$X $Y $WIDTH $HEIGHT"
        sleep 0.3
        measure_window "$display"
        [ "$before" = "$X $Y $WIDTH $HEIGHT" ]
    }
    poll "$limit" settled || fail "the window did not come to rest for $*"
}

# Reads the window's place and size, and where the picture of the default screen (640 × 1136
# pixels) sits in it, as the window fits it, bars around it when the shapes differ: sets wid's
# X, Y, WIDTH, HEIGHT and the picture's CX, CY, CW, CH.
measure_window() {
    eval "$(DISPLAY=$1 xdotool getwindowgeometry --shell "$wid")"
    read -r CX CY CW CH <<< "$(awk -v x="$X" -v y="$Y" -v w="$WIDTH" -v h="$HEIGHT" 'BEGIN {
        s = w / 640 < h / 1136 ? w / 640 : h / 1136
        cw = int(640 * s + 0.5); ch = int(1136 * s + 0.5)
        if (w - cw <= 1 && h - ch <= 1) { cw = w; ch = h }
        printf "%d %d %d %d", x + int((w - cw) / 2), y + int((h - ch) / 2), cw, ch }')"
}

# Closes the window as a window manager's close button does and waits for the host to end.
stop_host() {
    DISPLAY=$1 "$probe" close "$wid" || fail "cannot close the window"
    poll "$limit" eval '! kill -0 "$host_pid" 2> /dev/null' || fail "the host did not end when its window closed"
    wait "$host_pid"
}

# The headless snapshots of the moments the window will show, and the nodes' centres in points.
make_references() {
    fresh_root "$work/reference-root" || fail "cannot copy $staged"
    cat > "$work/reference.scenario" << 'EOF'
launch
print
snapshot setting.png
draw 0 3 6 7 8
wait 0.8
snapshot confirm.png
draw 0 3 6 7 8
wait 0.8
snapshot success.png
wait 0.8
snapshot host.png
keyboard show
snapshot keyboard.png
keyboard hide
set LOCK_IS_NEED_LOCK bool YES
background
foreground
wait 0.5
snapshot locked.png
EOF
    (cd "$work" && "$host" --root "$work/reference-root" --script reference.scenario > reference.out 2>&1) \
        || fail "the reference scenario failed: $(cat "$work/reference.out")"
    nodes=($(grep -o '"nodes":\[\[[^"]*\]\]' "$work/reference.out" | head -n 1 | tr -d '"nodes:[' | tr ']' ' ' | tr -s ', ' ' '))
    [ "${#nodes[@]}" = 18 ] || fail "no node centres in the reference run"
}

# Screen points to display coordinates, through the window's fit (the default 320 × 568 screen).
to_display() {
    awk -v px="$1" -v py="$2" -v x="$CX" -v y="$CY" -v w="$CW" -v h="$CH" \
        'BEGIN { printf "%d %d", x + px * w / 320, y + py * h / 568 }'
}

# Drags through the nodes with a few steps between each two, as a finger would.
draw() {
    local args=() i step from to
    for i in "$@"; do
        to=($(to_display "${nodes[$((2 * i))]}" "${nodes[$((2 * i + 1))]}"))
        if [ -z "${from+set}" ]; then
            args+=(mousemove "${to[@]}" mousedown 1)
        else
            for step in 1 2 3 4; do
                args+=(mousemove $(((from[0] * (4 - step) + to[0] * step) / 4)) $(((from[1] * (4 - step) + to[1] * step) / 4)))
            done
        fi
        from=("${to[@]}")
    done
    xdotool "${args[@]}" mouseup 1
}

tap() { xdotool mousemove $(to_display "$1" "$2") click 1; }

# The differences of the window's picture from each reference (options first: --only, --except).
differences() { "$probe" compare "$CX" "$CY" "$CW" "$CH" "$@" | tee "$work/last-differences"; }
# The window shows the first picture: closely, and more closely than each of the others.
shows() {
    local options=()
    while [ "${1#--}" != "$1" ]; do options+=("$1" "$2"); shift 2; done
    differences "${options[@]+"${options[@]}"}" "${@/#/$work/}" | awk -v near="$near" \
        '{ for (i = 2; i <= NF; ++i) if ($i <= $1) exit 1; exit !($1 <= near) }'
}
# The window differs from the reference in the region.
differs_in() { differences --only "$1" "$work/$2" | awk -v apart="$apart" '{ exit !($1 >= apart) }'; }
count() { grep -c -F -- "$1" "$work/host.err"; }
# The host has logged the line N times.
logged() { [ "$(count "$1")" = "$2" ]; }
# The window is measured again before each look: a host slowed down may still move it after it
# seemed to have come to rest, and the pictures, taps and watchers after it must follow.
measured() { measure_window "$DISPLAY" && "$@"; }
expect() { poll "$limit" measured "$@" || fail "$what (last differences: $(cat "$work/last-differences" 2> /dev/null))"; }

# Starts an X server of that size (further options after it) on a display number it picks
# itself; sets display.
start_display() {
    : > "$work/display"
    local log="$work/xvfb-$1-$((++displays)).log"
    # Without -noreset the server resets as its last client leaves, and hangs up on a host that
    # connects just then.
    Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp -noreset "${@:2}" 3> "$work/display" 2> "$log" &
    pids+=($!)
    poll "$limit" test -s "$work/display" || fail "Xvfb did not start: $(cat "$log")"
    display=":$(head -n 1 "$work/display")"
}

# A zoom is a factor above 0 up to 4; anything else is refused before any window opens.
for bad in 0 -1 4.5 abc 1e0 ""; do
    "$host" --zoom "$bad" --print-root > /dev/null 2>&1
    [ $? = 2 ] || fail "--zoom '$bad' was not refused with status 2"
done

# A display that does not answer gives no window that runs unseen: the host says so and plays
# the tour headless instead.
unreachable=:4242
while [ -e "/tmp/.X11-unix/X${unreachable#:}" ]; do unreachable=":$((${unreachable#:} + 1))"; done
fresh_root "$work/unreachable-root" || fail "cannot copy $staged"
(cd "$work" && DISPLAY=$unreachable env -u SDL_VIDEODRIVER -u WAYLAND_DISPLAY timeout "$limit" "$host" --root "$work/unreachable-root" \
    > "$work/unreachable.out" 2> "$work/unreachable.err") || fail "on a display that does not answer the host did not end well"
grep -q "no window (.*); playing the tour headless" "$work/unreachable.err" \
    || fail "on a display that does not answer the host did not say there is no window"

title="Glyphward — F9 background · F10 foreground · F1 help"
# Both names as xprop decodes them in a UTF-8 locale, whatever their encoding.
names() { DISPLAY=$1 LC_ALL=C.UTF-8 xprop -id "$wid" _NET_WM_NAME WM_NAME; }
titled() {
    local names
    names=$(names "$1") || return 1
    grep -qxF "_NET_WM_NAME(UTF8_STRING) = \"$title\"" <<< "$names" \
        && grep -qE "^WM_NAME\((STRING|COMPOUND_TEXT)\) = \"$title\"\$" <<< "$names"
}
# The frame is the window's ancestor that is a child of the root; sets FX, FY, FW, FH (its
# outside, X border included).
measure_frame() {
    local frame=$wid parent info border
    while parent=$(DISPLAY=$1 xwininfo -id "$frame" -tree | awk '/Parent window id:/ { print $4 }') \
        && [ -n "$parent" ] && ! DISPLAY=$1 xwininfo -id "$parent" | grep -q "(the root window)"; do
        frame=$parent
    done
    info=$(DISPLAY=$1 xwininfo -id "$frame") || return 1
    border=$(awk '/Border width:/ { print $3 }' <<< "$info")
    # xwininfo's upper-left is the outside of the X border already.
    FX=$(awk '/Absolute upper-left X:/ { print $4 }' <<< "$info")
    FY=$(awk '/Absolute upper-left Y:/ { print $4 }' <<< "$info")
    FW=$(($(awk '/Width:/ { print $2 }' <<< "$info") + 2 * border))
    FH=$(($(awk '/Height:/ { print $2 }' <<< "$info") + 2 * border))
}
frame_on_display() {
    measure_frame "$1" && [ "$FX" -ge 0 ] && [ "$FY" -ge 0 ] && [ $((FX + FW)) -le "${2%x*}" ] && [ $((FY + FH)) -le "${2#*x}" ]
}

make_references

# The whole window is on the display, at both sizes, for both phone screens; a zoom is as asked.
for size in 1366x768 1920x1080; do
    start_display "$size"
    for case in 320x568@2 390x844@3 "320x568@2 0.5"; do
        read -r screen zoom <<< "$case"
        fresh_root "$work/fit-root" || fail "cannot copy $staged"
        start_host "$display" --root "$work/fit-root" --screen "$screen" ${zoom:+--zoom "$zoom"}
        # The window finds its place in a step or two after it shows.
        on_display() {
            measure_window "$display"
            [ "$X" -ge 0 ] && [ "$Y" -ge 0 ] && [ $((X + WIDTH)) -le "${size%x*}" ] && [ $((Y + HEIGHT)) -le "${size#*x}" ]
        }
        poll "$limit" on_display || fail "$screen on $size: the window at $X,$Y, $WIDTH x $HEIGHT, is not all on the display"
        [ -z "$zoom" ] || [ "$WIDTH x $HEIGHT" = "320 x 568" ] || fail "--zoom 0.5: the window is $WIDTH x $HEIGHT"
        poll "$limit" titled "$display" || fail "the title does not read right: $(names "$display")"
        stop_host "$display" || fail "$screen on $size: the host did not end well"
    done
done

# Under a window manager that says nothing of its frames (twm), at both sizes: the title reads
# right and the whole window, its title bar included, comes to lie on the display; a zoom larger
# than the display holds is brought down to fit, and said.
printf '%s\n' 'TitleFont "fixed"' 'ResizeFont "fixed"' 'MenuFont "fixed"' 'IconFont "fixed"' 'IconManagerFont "fixed"' \
    > "$work/twmrc"
for size in 1366x768 1920x1080; do
    start_display "$size"
    DISPLAY=$display LC_ALL=C twm -f "$work/twmrc" > "$work/twm-$size.log" 2>&1 &
    pids+=($!)
    twm_up() { DISPLAY=$display xwininfo -root -tree | grep -q "TWM Icon Manager"; }
    poll "$limit" twm_up || fail "twm did not start on $size: $(cat "$work/twm-$size.log")"
    for case in 320x568@2 390x844@3 "320x568@2 4"; do
        read -r screen zoom <<< "$case"
        fresh_root "$work/fit-root" || fail "cannot copy $staged"
        : > "$work/host.err"
        start_host "$display" --root "$work/fit-root" --screen "$screen" ${zoom:+--zoom "$zoom"}
        poll "$limit" titled "$display" || fail "$screen under twm: the title does not read right: $(names "$display")"
        poll "$limit" frame_on_display "$display" "$size" \
            || fail "$screen under twm on $size: the frame at $FX,$FY, $FW x $FH, is not all on the display"
        [ -z "$zoom" ] || grep -q -- "--zoom $zoom would make the window .* it is shown smaller" "$work/host.err" \
            || fail "--zoom $zoom on $size: the host did not say the window is shown smaller"
        stop_host "$display" || fail "$screen under twm on $size: the host did not end well"
    done
done

# The rest on a 1920 x 1080 display without a window manager.
start_display 1920x1080
export DISPLAY=$display
fresh_root "$work/root" || fail "cannot copy $staged"
: > "$work/host.err"
start_host "$DISPLAY" --root "$work/root"
xdotool windowfocus "$wid"
what="the lock asks for a pattern" expect shows setting.png confirm.png
draw 0 3 6 7 8
what="the lock asks for the pattern again" expect shows confirm.png setting.png success.png
# "Success" shows for 1.5 s, then the host comes to the front (real time). A watcher grabs the
# window over and over from before the pattern ends, so the brief moment is seen on a busy machine.
"$probe" watch "$CX" "$CY" "$CW" "$CH" "$limit" "$near" "$work/success.png" "$work/confirm.png" "$work/host.png" \
    > "$work/watch.txt" 2>&1 &
watcher=$!
pids+=("$watcher")
poll "$limit" test -s "$work/watch.txt" || fail "the watcher did not start: $(cat "$work/watch.txt")"
draw 0 3 6 7 8
wait "$watcher" || fail "the host did not come to the front after the pattern was confirmed (see $work/watch.txt)"
awk '$1 < $2 && $1 < $3 { seen = 1 } END { exit !seen }' "$work/watch.txt" \
    || fail "the host came to the front without \"Success\" being seen (see $work/watch.txt)"
what="the host comes to the front" expect shows host.png success.png

# The message field (its centre, and where it sits in the pictures' pixels above the keyboard).
field="16,624,608,64"
top_message="136,196,504,40"
tap 160 544
what="the keyboard and the caret come up" expect shows keyboard.png host.png
xdotool type --delay 40 hello
what="typed text shows in the field" expect differs_in "$field" keyboard.png
what="nothing but the field changes" expect shows --except "$field" keyboard.png host.png
xdotool key --delay 40 BackSpace BackSpace BackSpace BackSpace BackSpace
what="Backspace deletes the text" expect shows keyboard.png host.png
xdotool type --delay 40 "Hi 你好"
what="Chinese text shows in the field" expect differs_in "$field" keyboard.png
xdotool key Return
what="Enter clears the field" expect shows --except "$top_message" keyboard.png host.png
what="Enter sends the text to the top chat" expect differs_in "$top_message" keyboard.png
xdotool key Escape
what="Escape puts the keyboard away" expect shows --except "$top_message" host.png keyboard.png
xdotool key F1
what="F1 shows the keys" expect differs_in "0,300,640,500" host.png
xdotool key question
what="? hides the keys" expect shows --except "$top_message" host.png keyboard.png

# While away the window shows a cover: the lock's own background picture, stretched over the
# screen as the lock shows it, and the banner's words across the middle (left out of the pictures'
# comparison). Not one pixel of the host's picture is on screen.
"$probe" resize "$staged/Library/Application Support/WeChat/bg@2x.png" 640 1136 "$work/cover.png" \
    || fail "no background picture in $staged"
banner="0,470,640,196"
foreign() {
    "$probe" foreign "$CX" "$CY" "$CW" "$CH" --except "$banner" --save "$work/foreign.png" "$work/host.png" "$work/cover.png" \
        | tee "$work/last-differences"
}
covered() { [ "$(foreign)" = 0 ] && shows --except "$banner" cover.png host.png locked.png; }
# Back without a lock: a return soon after leaving shows the host again.
xdotool key F9
what="F9 sends the host to the background" expect logged dismissKeyboard2-------- 1
what="while away nothing of the host shows" expect covered
xdotool key F10
what="F10 brings the host back at once when the policy lets it through" expect shows --except "$top_message" host.png cover.png locked.png

# Away and back, with every return locking. A watcher grabs the window over and over from before
# the return until the lock is in front: no grab on the way shows the host.
"$defaults" --root "$work/root" write org.glyphward.host LOCK_IS_NEED_LOCK -bool YES || fail "cannot write the setting"
xdotool key F9
what="F9 sends the host to the background" expect logged dismissKeyboard2-------- 2
what="while away nothing of the host shows" expect covered
: > "$work/watch.txt"
"$probe" watch "$CX" "$CY" "$CW" "$CH" "$limit" "$near" "$work/cover.png" "$work/host.png" "$work/locked.png" \
    > "$work/watch.txt" 2>&1 &
watcher=$!
pids+=("$watcher")
poll "$limit" test -s "$work/watch.txt" || fail "the watcher did not start: $(cat "$work/watch.txt")"
xdotool key F10
wait "$watcher" || fail "F10 did not bring the host back behind the lock (see $work/watch.txt)"
awk '$2 < $1 && $2 < $3 { seen = 1 } END { exit seen }' "$work/watch.txt" \
    || fail "the host showed on the way back to the lock (see $work/watch.txt)"
what="F10 brings it back behind the lock" expect shows locked.png host.png
xdotool type --delay 40 "bfbf"
xdotool key F1
what="F1 shows the keys over the lock" expect differs_in "0,300,640,500" locked.png
[ "$(count dismissKeyboard2--------)" = 2 ] || fail "a letter sent the host to the background"
xdotool key F1
what="F1 hides the keys" expect shows locked.png host.png
# A trail drawn and dropped leaves nothing behind: a frame is shown by drawing only the part of the
# window it changed, and a part too small would leave the trail's ends or edges on screen. The
# window is grabbed idle and with the trail; once dropped, no pixel may look like the trail's.
differences --save "$work/idle-grab.png" "$work/locked.png" > /dev/null
trail_args=()
for i in 0 4 8 5 2; do
    trail_args+=(mousemove $(to_display "${nodes[$((2 * i))]}" "${nodes[$((2 * i + 1))]}"))
    [ "$i" != 0 ] || trail_args+=(mousedown 1)
done
xdotool "${trail_args[@]}" mousemove_relative -- 30 40
trail_shows() { differences --save "$work/trail-grab.png" "$work/idle-grab.png" | awk '{ exit !($1 >= 0.03) }'; }
what="the trail follows the finger" expect trail_shows
xdotool key Escape mouseup 1
stale() {
    "$probe" foreign "$CX" "$CY" "$CW" "$CH" --save "$work/stale.png" "$work/trail-grab.png" "$work/idle-grab.png" \
        | tee "$work/last-differences"
}
trail_gone() { [ "$(stale)" = 0 ]; }
what="the dropped trail leaves no pixel of it behind" expect trail_gone
what="the lock is as it was" expect shows locked.png host.png
"$probe" minimise "$wid"
what="minimising sends the host to the background" expect logged dismissKeyboard2-------- 3
what="while minimised nothing of the host shows" expect covered
"$probe" restore "$wid"
what="restoring brings it back" expect logged 强制锁屏 2
xdotool key ctrl+b
what="Ctrl+B sends the host to the background" expect logged dismissKeyboard2-------- 4
what="while away nothing of the host shows" expect covered
xdotool key ctrl+f
what="Ctrl+F brings it back" expect logged 强制锁屏 3
what="the lock is in front" expect shows locked.png host.png
# The right pattern from the keyboard, after one begun and dropped with Backspace: were the drop
# lost, the digits would add up to a wrong pattern and the lock would stay.
xdotool key 1 2 BackSpace
xdotool key 1 4 7 8 9 space
what="the right pattern typed on the keys hands the screen back; the sent message is still there" \
    expect shows --except "$top_message" host.png locked.png

# A resize re-fits: the picture keeps its shape between bars, and a tap lands where it shows.
xdotool windowsize "$wid" 900 600
resized() { measure_window "$DISPLAY"; [ "$WIDTH x $HEIGHT" = "900 x 600" ]; }
what="the window takes the new size" expect resized
what="the picture is re-fitted between bars" expect shows --except "$top_message" host.png locked.png
tap 160 544
what="a tap through the re-fitted picture reaches the message field" expect shows --except "$top_message" keyboard.png host.png

stop_host "$DISPLAY" || fail "the host did not end well when its window closed"
[ "$(count dismissKeyboard2--------)" = 5 ] || fail "closing the window did not go the background way"
[ "$("$defaults" --root "$work/root" read org.glyphward.host PASS_CODE)" = "0,3,6,7,8" ] \
    || fail "the passcode is not on disk after the window closed"
# A recorded session plays back to the state it ended in. The recording never takes the place of
# a file that is there, unless told to, and goes only with a window.
fresh_root "$work/record-root" || fail "cannot copy $staged"
"$defaults" --root "$work/record-root" write org.glyphward.host LOCK_IS_NEED_LOCK -bool YES || fail "cannot write the setting"
cp -a "$work/record-root" "$work/record-root-before" || fail "cannot copy the root"
echo "keep me" > "$work/taken.scenario"
"$host" --root "$work/record-root" --record "$work/taken.scenario" > /dev/null 2> "$work/taken.err"
[ $? = 2 ] && grep -q "taken.scenario exists (--force replaces it)" "$work/taken.err" \
    || fail "--record into an existing file was not refused: $(cat "$work/taken.err")"
[ "$(cat "$work/taken.scenario")" = "keep me" ] || fail "--record changed a file that was there"
"$host" --root "$work/record-root" --headless --record "$work/headless.scenario" > /dev/null 2>&1
[ $? = 2 ] && [ ! -e "$work/headless.scenario" ] || fail "--record with --headless was not refused"
: > "$work/host.err"
start_host "$DISPLAY" --root "$work/record-root" --record "$work/taken.scenario" --force
xdotool windowfocus "$wid"
what="the recorded session's lock asks for a pattern" expect shows setting.png confirm.png
xdotool key 1 4 7 8 9 space
what="the recorded session's lock asks for the pattern again" expect shows confirm.png setting.png success.png
draw 0 3 6 7 8
what="the recorded session shows the host after the pattern is confirmed" expect shows host.png success.png
xdotool key F9
what="F9 sends the recorded session's host to the background" expect logged dismissKeyboard2-------- 1
# A wrong pattern typed at once, while the lock is still fading in, counts as it would in a replay.
xdotool key F10 1 2 3 space
message="0,150,640,90"
what="F10 brings the lock back" expect shows --except "$message" locked.png host.png cover.png
stop_host "$DISPLAY" || fail "the recorded session did not end well when its window closed"
recording=$(grep -v '^#' "$work/taken.scenario")
for line in launch "keys 9" "keys enter" "down " "move " up background foreground print; do
    grep -q "^$line" <<< "$recording" || fail "the recording has no '$line' line: $recording"
done
[ "$(head -n 1 "$work/taken.scenario")" = launch ] && [ "$(tail -n 1 "$work/taken.scenario")" = print ] \
    || fail "the recording does not begin with launch and end with print: $recording"
ended=$(grep '^state ' "$work/host.out")
[ -n "$ended" ] || fail "the recorded session printed no state line at its end"
grep -qF '"failCount":1,"mode":"verify","passcode":"0,3,6,7,8","stored":"0,3,6,7,8"' <<< "$ended" \
    || fail "the recorded session did not end with one wrong pattern and the passcode stored: $ended"
cp -a "$work/record-root-before" "$work/replay-root" || fail "cannot copy the root"
"$host" --root "$work/replay-root" --script "$work/taken.scenario" > "$work/replay.out" 2> "$work/replay.err" \
    || fail "the recording did not play back: $(cat "$work/replay.err")"
replayed=$(grep '^state ' "$work/replay.out")
[ "$replayed" = "$ended" ] || fail "the replay ended in another state: session $ended, replay $replayed"

# A session killed in the middle keeps every line it had written, and they play.
fresh_root "$work/killed-root" || fail "cannot copy $staged"
start_host "$DISPLAY" --root "$work/killed-root" --record "$work/killed.scenario"
xdotool windowfocus "$wid"
what="the killed session's lock asks for a pattern" expect shows setting.png confirm.png
draw 0 3 6 7 8
poll "$limit" grep -q '^up$' "$work/killed.scenario" || fail "the recording of a running session was not written as it happened"
kill -KILL "$host_pid"
wait "$host_pid" 2> /dev/null
grep -q '^print$' "$work/killed.scenario" && fail "a killed session's recording claims its end"
fresh_root "$work/killed-replay-root" || fail "cannot copy $staged"
"$host" --root "$work/killed-replay-root" --script "$work/killed.scenario" > "$work/killed-replay.out" 2>&1 \
    || fail "a killed session's recording does not play: $(cat "$work/killed-replay.out")"

# A display that shares no memory with its clients (no MIT-SHM) gets the pixels through SDL's
# window surface: the same pictures, a trail's parts drawn and taken away as they change.
start_display 1920x1080 -extension MIT-SHM
export DISPLAY=$display
fresh_root "$work/plain-root" || fail "cannot copy $staged"
start_host "$DISPLAY" --root "$work/plain-root"
xdotool windowfocus "$wid"
what="without shared memory the lock asks for a pattern" expect shows setting.png confirm.png
draw 0 3 6 7 8
what="without shared memory the lock asks for the pattern again" expect shows confirm.png setting.png success.png
stop_host "$DISPLAY" || fail "the host without shared memory did not end well when its window closed"

echo "window: all checks passed"
