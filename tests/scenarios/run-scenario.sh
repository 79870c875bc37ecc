#!/bin/bash
# Plays scenarios with glyphward-host on one fresh copy of the staged device root.
#
#   run-scenario.sh HOST STAGED_ROOT SCENARIO [SCENARIO...]
#
# Each scenario runs as its own process on the same copy, in order, so a later one sees what an
# earlier one stored (a restart). Lines starting with "#@" prepare and judge a run:
#   #@ sh COMMAND          run COMMAND in the root copy before the scenario
#   #@ env NAME=VALUE      set a variable for the host
#   #@ args ARGS           more arguments for the host
#   #@ exit N              the status the host must end with (default 0)
#   #@ stdout-has TEXT     a line of stdout must contain TEXT
#   #@ stdout-lacks TEXT   no line of stdout may contain TEXT
#   #@ stderr-has TEXT     a line of stderr must contain TEXT
#   #@ check COMMAND       run COMMAND in the root copy afterwards; it must succeed
set -u
host=$1
staged=$2
shift 2

work=$(mktemp -d "${TMPDIR:-/tmp}/glyphward-scenario-XXXXXX") || exit 99
trap 'rm -rf "$work"' EXIT
root="$work/root"
cp -a "$staged" "$root" || { echo "cannot copy $staged" >&2; exit 99; }

directives() { sed -n "s/^#@ $2 //p" "$1"; }

status=0
for scenario in "$@"; do
    name=$(basename "$scenario")
    while IFS= read -r command; do
        (cd "$root" && bash -c "$command") || { echo "$name: preparation failed: $command" >&2; exit 99; }
    done < <(directives "$scenario" sh)

    envs=()
    while IFS= read -r assignment; do envs+=("$assignment"); done < <(directives "$scenario" env)
    read -r -a extra <<< "$(directives "$scenario" args | tr '\n' ' ')"
    expected=$(directives "$scenario" exit | tail -n 1)
    expected=${expected:-0}

    (cd "$work" && env "${envs[@]+"${envs[@]}"}" "$host" --root "$root" --script "$scenario" --epoch 1796000000 \
        "${extra[@]+"${extra[@]}"}") > "$work/stdout" 2> "$work/stderr"
    actual=$?
    cat "$work/stdout"
    if [ "$actual" != "$expected" ]; then
        echo "$name: exit status $actual, expected $expected" >&2
        sed 's/^/stderr: /' "$work/stderr" >&2
        status=1
    fi
    while IFS= read -r text; do
        grep -qF -- "$text" "$work/stdout" || { echo "$name: stdout lacks: $text" >&2; status=1; }
    done < <(directives "$scenario" stdout-has)
    while IFS= read -r text; do
        if grep -qF -- "$text" "$work/stdout"; then echo "$name: stdout has: $text" >&2; status=1; fi
    done < <(directives "$scenario" stdout-lacks)
    while IFS= read -r text; do
        grep -qF -- "$text" "$work/stderr" || { echo "$name: stderr lacks: $text" >&2; status=1; }
    done < <(directives "$scenario" stderr-has)
    while IFS= read -r command; do
        (cd "$root" && bash -c "$command") || { echo "$name: check failed: $command" >&2; status=1; }
    done < <(directives "$scenario" check)
done
exit $status
