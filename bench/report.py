#!/usr/bin/env python3
"""The benchmark report: reads the micro-benchmarks' JSON files, runs the host for its start-up,
memory and growth figures, prints one table and writes it to the results file.

Usage: bench/report.py HOST STAGED_ROOT OUT_DIR RUNS RESULTS_MD
(scripts/bench.sh builds the programs, runs the micro-benchmarks into OUT_DIR and calls this.)
"""
import glob, json, os, platform, shutil, statistics, subprocess, sys, threading, time

host, staged_root, out, runs, results = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4]), sys.argv[5]

# Micro-benchmarks, in nanoseconds: every repetition of every process.
samples = {}
for path in sorted(glob.glob(os.path.join(out, "micro-*.json"))):
    for b in json.load(open(path))["benchmarks"]:
        if b.get("run_type") == "iteration":
            scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b["time_unit"]]
            samples.setdefault(b["run_name"], []).append(b["real_time"] * scale)
fastest = {name: min(v) for name, v in samples.items()}
median = {name: statistics.median(v) for name, v in samples.items()}

def run(args):
    """One child process: wall seconds, peak RSS in KiB, exit status."""
    start = time.perf_counter()
    proc = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    return time.perf_counter() - start, usage.ru_maxrss, os.waitstatus_to_exitcode(status)

# Every host run plays on a copy of the staged root, so no passcode left by an earlier run counts.
root = os.path.join(out, "root")
shutil.copytree(staged_root, root)

def write(name, text):
    path = os.path.join(out, name)
    open(path, "w").write(text)
    return path

def host_args(script, screen, tweaks):
    args = [host, "--headless", "--script", script, "--screen", screen, "--epoch", "1800000000", "--root", root]
    return args if tweaks else args + ["--no-tweaks"]

def checked(args):
    seconds, kib, code = run(args)
    if code != 0:
        sys.exit(f"glyphward-host {' '.join(args[1:])} exited {code}")
    return seconds, kib

# Start-up: warm-up runs, then the two variants interleaved so drift hits both alike.
start = write("start.txt", "launch\nprint\n")
start_rows = []
for screen, target in (("320x568@2", 1.2), ("390x844@3", 1.2)):
    times = {True: [], False: []}
    for i in range(runs + 3):
        for tweaks in (True, False):
            seconds, _ = checked(host_args(start, screen, tweaks))
            if i >= 3:
                times[tweaks].append(seconds * 1e3)
    start_rows.append((screen, statistics.median(times[True]), statistics.median(times[False]), target))

# Memory: peak RSS of a short lock scenario (a passcode set with two patterns, a trip away, the
# pattern again), and of the headless tour, each with and without the lock. The scenario ends
# with a snapshot: a frame drawn needs the lock's pictures whole, however far their decode got.
short = write("short.txt", "delete PASS_CODE\nlaunch\ndraw 0 3 6 7 8\ndraw 0 3 6 7 8\nwait 1.5\n"
              "background\nwait 200\nforeground\nwait 0.3\ndraw 0 3 6 7 8\nwait 0.3\n"
              f"snapshot {os.path.join(out, 'short.png')}\nprint\n")
rss = {}
for tweaks in (True, False):
    rss["short", tweaks] = statistics.median(checked(host_args(short, "390x844@3", tweaks))[1] for _ in range(3))
    tour = [host, "--headless", "--screen", "390x844@3", "--epoch", "1800000000", "--snapshots", os.path.join(out, "tour")]
    rss["tour", tweaks] = statistics.median(checked(tour if tweaks else tour + ["--no-tweaks"])[1] for _ in range(3))

# Growth: one host plays 4,000 cycles of a wrong pattern, the right one and a trip away, with a
# snapshot into a FIFO after cycle 200 and after the last. The host waits at each FIFO until it
# is read, and its resident size is taken there: same process, same parsed script, same frame.
# Each cycle ends a second after the return, when the lock's 0.3 s fade in is surely over: at
# exactly 0.3 s, whether the fade's last frame has been drawn depends on the rounding of a clock
# that has run for days, and the surface a fade keeps would count at one end and not the other.
cycle = "draw 0 1 2 5\nwait 1\ndraw 0 3 6 7 8\nwait 0.3\nbackground\nwait 200\nforeground\nwait 1\n"
fifos = [os.path.join(out, f"soak-{n}.png") for n in (200, 4000)]
for fifo in fifos:
    os.mkfifo(fifo)
soak = write("soak.txt", "set PASS_CODE string 0,3,6,7,8\nlaunch\ndraw 0 3 6 7 8\nwait 0.3\n" + cycle * 200
             + f"snapshot {fifos[0]}\n" + cycle * 3800 + f"snapshot {fifos[1]}\nprint\n")
proc = subprocess.Popen(host_args(soak, "390x844@3", True), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
timer = threading.Timer(300, proc.kill)
timer.start()
resident = []
for fifo in fifos:
    with open(fifo, "rb") as pipe:
        status = open(f"/proc/{proc.pid}/status").read()
        resident.append(int(next(l for l in status.splitlines() if l.startswith("VmRSS:")).split()[1]))
        pipe.read()
timer.cancel()
if proc.wait() != 0:
    sys.exit("glyphward-host: the soak run failed")

rows = []
def row(figure, value, reference, ratio, target, met):
    rows.append((figure, value, reference, ratio, target, "yes" if met else "NO"))

def ns(v):
    return f"{v:.0f} ns" if v < 1e4 else (f"{v/1e3:.1f} µs" if v < 1e7 else f"{v/1e6:.2f} ms")

# One iteration is a gesture of 64 moves.
t3, t10, t100 = (median[f"touch_move/grid/{n}/manual_time"] / 64 for n in (3, 10, 100))
row("touch move, 3×3 grid", ns(t3), "3×3 itself", "1.00", "< 200 ns", t3 < 200)
row("touch move, 10×10 grid", ns(t10), ns(t3), f"{t10/t3:.2f}", "—", True)
row("touch move, 100×100 grid", ns(t100), ns(t3), f"{t100/t3:.2f}", "≤ 2× the 3×3", t100 <= 2 * t3)

mem = fastest["frame/memset_reference"]
def frame_rows(prefix, label, limit):
    names = sorted(n for n in fastest if n.startswith(prefix))
    for name in names:
        v = fastest[name]
        row(f"{label} ({name})", ns(v), f"memset {ns(mem)}", f"{v/mem:.2f}", f"≤ {limit}×", v <= limit * mem)
    return names

copy = fastest.get("frame/memcpy_reference")
blend = fastest.get("frame/blend_reference")
def floor_rows(prefix, label, floor, floor_name, limit):
    names = sorted(n for n in fastest if n.startswith(prefix))
    for name in names:
        v = fastest[name]
        if floor is None:
            row(f"{label} ({name})", ns(v), f"{floor_name} not measured", "—", f"≤ {limit}×", False)
        else:
            row(f"{label} ({name})", ns(v), f"{floor_name} {ns(floor)}", f"{v/floor:.2f}", f"≤ {limit}×", v <= limit * floor)
    return names

def first(prefix):
    """The fastest of a benchmark run for a fixed number of iterations (its name says how many)."""
    return next((fastest[n] for n in sorted(fastest) if n.startswith(prefix)), None)
cold_copy = first("frame/memcpy_cold_reference")

row("memcpy floor (a background into the screen)", ns(copy) if copy else "not measured", f"memset {ns(mem)}",
    f"{copy/mem:.2f}" if copy else "—", "—", True)
row("blend floor (two sources into the screen)", ns(blend) if blend else "not measured", f"memset {ns(mem)}",
    f"{blend/mem:.2f}" if blend else "—", "—", True)
# Context, not targets: the floor's two buffers stay in the last-level cache from one copy to
# the next, a full frame's pictures and screen do not; and the window's host sleeps between moves.
if cold_copy is not None and copy:
    row("memcpy out of the cache (both buffers evicted first)", ns(cold_copy), f"memcpy {ns(copy)}", f"{cold_copy/copy:.2f}", "—", True)
frame_rows("frame/after_move", "frame after a move", 1)
for name in floor_rows("frame/full", "full frame", copy, "memcpy", 2):
    if cold_copy is not None:
        v = fastest[name]
        row(f"full frame ({name}) against the copy out of the cache", ns(v), f"cold memcpy {ns(cold_copy)}", f"{v/cold_copy:.2f}", "—", True)
for fade in ("lock_in", "wait_out", "wait_in"):
    if not floor_rows(f"frame/fade/{fade}", "fade frame", blend, "blend", 2):
        row(f"fade frame (frame/fade/{fade})", "not measured", "blend", "—", "≤ 2×", False)

# The window: CPU of the host per pointer move under Xvfb, against the headless frame after a
# move at the same screen (measured by the micro-benchmarks); written by bench/window-cpu.sh, a
# few sessions a screen, of which the cheapest counts (a busy machine only adds to a session).
sessions = {}
for path in sorted(glob.glob(os.path.join(out, "window-*.txt"))):
    words = open(path).read().split()
    if len(words) != 4 or words[0] != "window":
        row(f"window CPU per pointer move ({os.path.basename(path)})", "not measured", "—", "—", "≤ 3×", False)
        continue
    screen, moves, seconds = words[1], int(words[2]), float(words[3])
    sessions.setdefault(screen, []).append((seconds * 1e9 / moves, moves))
for screen in sorted(sessions):
    per_move, moves = min(sessions[screen])
    count = len(sessions[screen])
    every = ", ".join(ns(p) for p, _ in sessions[screen])
    print(f"window at {screen}: {every} per move in {count} sessions", file=sys.stderr)
    label = f"{moves} moves, cheapest of {count}" if count > 1 else f"{moves} moves"
    reference = fastest.get(f"window_reference/after_move_{screen}")
    if reference is None:
        row(f"window CPU per pointer move at {screen}", ns(per_move), "no headless reference", "—", "≤ 3×", False)
    else:
        row(f"window CPU per pointer move at {screen} ({label})", ns(per_move),
            f"headless after move {ns(reference)}", f"{per_move/reference:.2f}", "≤ 3×", per_move <= 3 * reference)
    idle = first(f"window_reference/after_move_idle_{screen}")
    if idle is not None:
        row(f"window CPU per pointer move at {screen}, against a frame after 10 ms idle", ns(per_move),
            f"headless after move and idle {ns(idle)}", f"{per_move/idle:.2f}", "—", True)

for screen, with_lock, without, target in start_rows:
    row(f"start-up (launch, print) at {screen}", f"{with_lock:.1f} ms (+{with_lock - without:.1f} ms)",
        f"--no-tweaks {without:.1f} ms", f"{with_lock/without:.2f}", f"≤ {target}×", with_lock <= target * without)

def mb(kib):
    return kib / 1024
for what, label, limit in (("short", "peak RSS, short lock scenario at 390x844@3", 15),
                           ("tour", "peak RSS, headless tour at 390x844@3", 25)):
    added = mb(rss[what, True] - rss[what, False])
    row(label, f"{mb(rss[what, True]):.1f} MB (+{added:.1f} MB)", f"--no-tweaks {mb(rss[what, False]):.1f} MB",
        f"{rss[what, True]/rss[what, False]:.2f}", f"≤ +{limit} MB", added <= limit)
growth = mb(resident[1] - resident[0])
row("RSS growth, 4,000 lock cycles against 200", f"{mb(resident[1]):.1f} MB ({growth:+.2f} MB)",
    f"after 200: {mb(resident[0]):.1f} MB", f"{resident[1]/resident[0]:.2f}", "≤ +1 MB", growth <= 1)

w, wr = median["settings/passcode_write"], median["settings/write_reference"]
row("PASS_CODE write + synchronize", ns(w), f"fsync'd write {ns(wr)}", f"{w/wr:.2f}", "—", True)
r, rr = median["settings/lock_key_read"], median["settings/read_reference"]
row("LOCK key read after an outside change", ns(r), f"stat + read {ns(rr)}", f"{r/rr:.2f}", "—", True)

header = ("figure", "value", "reference", "ratio", "target", "met")
widths = [max(len(str(x[i])) for x in rows + [header]) for i in range(6)]
lines = ["| " + " | ".join(str(c).ljust(widths[i]) for i, c in enumerate(r)) + " |" for r in [header]]
lines.append("|" + "|".join("-" * (w + 2) for w in widths) + "|")
lines += ["| " + " | ".join(str(c).ljust(widths[i]) for i, c in enumerate(r)) + " |" for r in rows]
table = "\n".join(lines)
print(table)

cpu = next((l.split(":", 1)[1].strip() for l in open("/proc/cpuinfo") if l.startswith("model name")), platform.machine())
machine = f"{cpu}, {os.cpu_count()} CPUs, Linux {platform.release()}"
with open(results, "w") as f:
    f.write("# Benchmark results\n\n")
    f.write(f"Measured by `scripts/bench.sh` on {time.strftime('%Y-%m-%d')} ({machine}). Frames: the fastest "
            "repetition of three benchmark processes against the fastest `memset` of all three; touch and "
            f"settings: medians. Start-up: medians of {runs} runs each; peak RSS: medians of 3 runs; growth: "
            "the resident size of one host after 200 and after 4,000 cycles.\n\n")
    f.write(table + "\n")
