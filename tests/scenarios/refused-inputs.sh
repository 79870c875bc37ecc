#!/bin/bash
# What glyphward-host refuses before it plays anything: roots that are no device root, a script
# that cannot be read, flags it does not know. Each gets one line on stderr and exit status 2.
#
#   refused-inputs.sh HOST STAGED_ROOT
set -u
host=$1
staged=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/glyphward-refused-XXXXXX") || exit 99
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 99
mkdir empty folder
touch file
printf 'print\n' > ok.scenario
status=0

# expect STATUS STDERR-TEXT [env NAME=VALUE...] -- ARGS...: the host exits with STATUS, says
# STDERR-TEXT and prints nothing on stdout (no tour step, no state line).
expect() {
    local want=$1 text=$2 envs=()
    shift 2
    while [ "$1" != "--" ]; do envs+=("$1"); shift; done
    shift
    env "${envs[@]+"${envs[@]}"}" "$host" "$@" > out 2> err < /dev/null
    local got=$?
    if [ "$got" != "$want" ] || { [ -n "$text" ] && ! grep -qF -- "$text" err; } || { [ "$want" != 0 ] && [ -s out ]; }; then
        echo "FAIL: $* -> status $got, wanted $want and: $text" >&2
        sed 's/^/  stdout: /' out >&2
        sed 's/^/  stderr: /' err >&2
        status=1
    fi
}

expect 2 "the device root $work/missing does not exist" -- --root missing --headless
expect 2 "the device root $work/file is not a folder" -- --root file --headless
expect 2 "the device root $work/empty holds none of the root's parts" -- --root empty --headless
expect 2 'the device root "" is an empty path' -- --root "" --script ok.scenario
expect 2 "the device root $work/missing does not exist" GLYPHWARD_ROOT="$work/missing" -- --script ok.scenario
expect 2 "error 0: cannot read $work/folder: Is a directory" -- --root "$staged" --script "$work/folder"
expect 2 "error 0: cannot read nothing-here: No such file or directory" -- --root "$staged" --script nothing-here
expect 2 "--bogus" -- --bogus
expect 2 "--epoch wants Unix seconds" -- --root "$staged" --script ok.scenario --epoch nan
# The default root is printed whatever it is; nothing else runs.
expect 0 "" GLYPHWARD_ROOT="$work/missing" -- --print-root
grep -qxF "$work/missing" out || { echo "FAIL: --print-root printed $(cat out)" >&2; status=1; }
exit $status
