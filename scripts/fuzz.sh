#!/usr/bin/env bash
# Builds the fuzz preset and runs every libFuzzer target for the given seconds each (default 60),
# starting from its seed corpus. Exits 1 when any target found something; the reproducer is
# left as build/fuzz/findings/<target>/crash-* (or leak-*, timeout-*, oom-*).
# Usage: scripts/fuzz.sh [seconds-per-target] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    # Every target of the one list, its first word a line.
    mapfile -t targets < <(grep -v '^#' fuzz/targets.txt | awk 'NF { print $1 }')
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${targets[@]}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$(pwd)/scripts/lsan.supp}

status=0
for target in "${targets[@]}"; do
    seeds="fuzz/corpus/$target"
    # New inputs go to a scratch corpus in the build tree; the seeds in the source tree stay as committed.
    work="build/fuzz/corpus/$target"
    findings="build/fuzz/findings/$target"
    mkdir -p "$work" "$findings"
    echo "== $target: ${seconds}s"
    if ! "build/fuzz/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
            -print_final_stats=1 -artifact_prefix="$findings/" "$work" "$seeds" 2>"$findings/log.txt"; then
        tail -n 60 "$findings/log.txt"
        echo "== $target: FINDING (reproducer in $findings/)"
        status=1
        continue
    fi
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)|^#[0-9]+ *DONE' "$findings/log.txt" || true
done
exit $status
