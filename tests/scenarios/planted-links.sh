#!/bin/bash
# Pictures go to folders that others may share: a link planted as the tour's folder, as one of its
# pictures or as a scenario's snapshot is refused (a line on stderr, exit status 1), and the file
# the link names is left as it was. A missing folder is made private to its owner.
#
#   planted-links.sh HOST STAGED_ROOT
set -u
host=$1
staged=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/glyphward-links-XXXXXX") || exit 99
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 99
printf 'the owner keeps this\n' > precious
cp precious precious.orig
printf 'launch\nsnapshot shots/lock.png\n' > snap.scenario
status=0
fail() { echo "FAIL: $*" >&2; sed 's/^/  stderr: /' err >&2; status=1; }

# run STATUS STDERR-TEXT ARGS...: the host exits with STATUS and says STDERR-TEXT.
run() {
    local want=$1 text=$2
    shift 2
    (umask 000 && "$host" --root "$staged" "$@") > out 2> err < /dev/null
    local got=$?
    [ "$got" = "$want" ] || fail "$* -> status $got, wanted $want"
    [ -z "$text" ] || grep -qF -- "$text" err || fail "$* -> stderr lacks: $text"
    cmp -s precious precious.orig || fail "$* -> wrote through a link into the owner's file"
}

ln -s "$work/elsewhere" tour-link
mkdir elsewhere
run 1 "tour-link is a symbolic link" --headless --snapshots tour-link
[ -z "$(ls elsewhere)" ] || fail "the tour wrote into the folder a link named"

mkdir tour
ln -s "$work/precious" tour/01-launch.png
run 1 "01-launch.png is a symbolic link" --headless --snapshots tour

mkdir shots
ln -s "$work/precious" shots/lock.png
run 1 "shots/lock.png is a symbolic link" --script snap.scenario
grep -q "^fail 2: snapshot shots/lock.png could not be written" out || fail "the player did not say the snapshot failed"

# Missing folders are made 0700 whatever the umask, and pictures are written as before.
rm -r shots
run 0 "" --script snap.scenario
[ "$(stat -c %a shots)" = 700 ] || fail "the snapshot folder is $(stat -c %a shots), not 700"
[ -s shots/lock.png ] || fail "no snapshot was written"
exit $status
