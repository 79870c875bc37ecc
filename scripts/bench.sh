#!/usr/bin/env bash
# Builds the bench preset, runs the micro-benchmarks and the host start-up and memory runs, and
# prints one table (also written to bench/RESULTS.md). Usage: scripts/bench.sh [runs-per-start-up]
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$(pwd)
build=build/bench
runs=${1:-30}

cmake --preset bench >/dev/null
cmake --build --preset bench --target glyphward-bench glyphward-host glyphward-dylib glyphward-bundle

out=$(mktemp -d /tmp/glyphward-bench-XXXXXX)
trap 'rm -rf "$out"' EXIT

"$build/bench/glyphward-bench" --benchmark_format=console --benchmark_out="$out/micro.json" \
    --benchmark_out_format=json --benchmark_min_time=0.5 --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true >&2

python3 - "$build/apps/host/glyphward-host" "$out" "$runs" "$source_dir/bench/RESULTS.md" <<'EOF'
import json, os, platform, statistics, subprocess, sys, time

host, out, runs, results = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]

# Micro-benchmarks: medians of the repetitions, in nanoseconds.
micro = {}
for b in json.load(open(os.path.join(out, "micro.json")))["benchmarks"]:
    if b.get("aggregate_name") == "median":
        scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b["time_unit"]]
        micro[b["run_name"]] = b["real_time"] * scale

def run(args, stdin=None):
    """One child process: wall seconds, peak RSS in KiB, exit status."""
    start = time.perf_counter()
    proc = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    return time.perf_counter() - start, usage.ru_maxrss, os.waitstatus_to_exitcode(status)

script = os.path.join(out, "start.txt")
open(script, "w").write("launch\nprint\n")

def startup(screen, tweaks):
    args = [host, "--headless", "--script", script, "--screen", screen, "--epoch", "1800000000"]
    if not tweaks:
        args.append("--no-tweaks")
    return args

# Start-up: warm-up runs, then the two variants interleaved so drift hits both alike.
start_rows = []
for screen, target_ms in (("320x568@2", 30), ("390x844@3", 50)):
    times = {True: [], False: []}
    for i in range(runs + 3):
        for tweaks in (True, False):
            seconds, _, code = run(startup(screen, tweaks))
            if code != 0:
                sys.exit(f"glyphward-host {' '.join(startup(screen, tweaks)[1:])} exited {code}")
            if i >= 3:
                times[tweaks].append(seconds * 1e3)
    with_lock, without = statistics.median(times[True]), statistics.median(times[False])
    start_rows.append((screen, with_lock, without, target_ms))

# Memory: peak RSS of the headless tour, with and without the lock.
rss = {}
for tweaks in (True, False):
    samples = []
    for _ in range(3):
        args = [host, "--headless", "--screen", "390x844@3", "--epoch", "1800000000",
                "--snapshots", os.path.join(out, "tour")]
        if not tweaks:
            args.append("--no-tweaks")
        _, kib, code = run(args)
        samples.append(kib)
    rss[tweaks] = statistics.median(samples)

rows = []
def row(figure, value, reference, ratio, target, met):
    rows.append((figure, value, reference, ratio, target, "yes" if met else "NO"))

def ns(v):
    return f"{v:.0f} ns" if v < 1e4 else (f"{v/1e3:.1f} µs" if v < 1e7 else f"{v/1e6:.2f} ms")

# One iteration is a gesture of 64 moves.
t3, t10, t100 = (micro[f"touch_move/grid/{n}/manual_time"] / 64 for n in (3, 10, 100))
row("touch move, 3×3 grid", ns(t3), "3×3 itself", "1.00", "< 200 ns", t3 < 200)
row("touch move, 10×10 grid", ns(t10), ns(t3), f"{t10/t3:.2f}", "—", True)
row("touch move, 100×100 grid", ns(t100), ns(t3), f"{t100/t3:.2f}", "≤ 2× the 3×3", t100 <= 2 * t3)

mem = micro["frame/memset_reference"]
for stored in (0, 1):
    v = micro[f"frame/after_move/passcode:{stored}"]
    row(f"frame after a move, 1170×2532, passcode {'stored' if stored else 'not stored'}", ns(v),
        f"memset {ns(mem)}", f"{v/mem:.2f}", "≤ 2×", v <= 2 * mem)
for stored in (0, 1):
    v = micro[f"frame/full/passcode:{stored}"]
    row(f"full frame, 1170×2532, passcode {'stored' if stored else 'not stored'}", ns(v),
        f"memset {ns(mem)}", f"{v/mem:.2f}", "≤ 10×", v <= 10 * mem)

for screen, with_lock, without, target in start_rows:
    added = with_lock - without
    row(f"start-up (launch, print) at {screen}", f"{with_lock:.1f} ms (+{added:.1f} ms)",
        f"--no-tweaks {without:.1f} ms", f"{with_lock/without:.2f}", f"≤ +{target} ms", added <= target)

added_mb = (rss[True] - rss[False]) / 1024
row("peak RSS, headless tour at 390x844@3", f"{rss[True]/1024:.1f} MB (+{added_mb:.1f} MB)",
    f"--no-tweaks {rss[False]/1024:.1f} MB", f"{rss[True]/rss[False]:.2f}", "≤ +25 MB", added_mb <= 25)

w, wr = micro["settings/passcode_write"], micro["settings/write_reference"]
row("PASS_CODE write + synchronize", ns(w), f"fsync'd write {ns(wr)}", f"{w/wr:.2f}", "—", True)
r, rr = micro["settings/lock_key_read"], micro["settings/read_reference"]
row("LOCK key read after an outside change", ns(r), f"stat + read {ns(rr)}", f"{r/rr:.2f}", "—", True)

header = ("figure", "value", "reference", "ratio", "target", "met")
widths = [max(len(str(x[i])) for x in rows + [header]) for i in range(6)]
lines = ["| " + " | ".join(str(c).ljust(widths[i]) for i, c in enumerate(r)) + " |" for r in [header]]
lines.append("|" + "|".join("-" * (w + 2) for w in widths) + "|")
lines += ["| " + " | ".join(str(c).ljust(widths[i]) for i, c in enumerate(r)) + " |" for r in rows]
table = "\n".join(lines)
print(table)

machine = f"{platform.machine()}, {os.cpu_count()} CPUs, {platform.release()}"
with open(results, "w") as f:
    f.write("# Benchmark results\n\n")
    f.write(f"Measured by `scripts/bench.sh` on {time.strftime('%Y-%m-%d')} ({machine}); "
            f"micro-benchmarks are medians of 3 repetitions, start-up medians of {runs} runs each, "
            "peak RSS the median of 3 tours.\n\n")
    f.write(table + "\n")
EOF
