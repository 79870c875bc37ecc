#!/usr/bin/env bash
# Part of check-package.sh: another local user goes after a user's device root. The root, made by
# first runs under umask 000, is private: the other user can replace neither the library folder
# nor var/. Where the owner opens a folder to everyone on purpose, what the other user swaps in is
# refused aloud: their settings (the lock stays up, and their pattern does not open it) and an
# empty library folder (a line says why there is no lock).
#
#   check-other-user.sh USER ROOT WORK     (as root; USER has made ROOT and its settings already)
set -euo pipefail
user=$1
root=$2
work=$3
other=glyphward-check2
fail() { echo "check-package: FAILED: $*" >&2; exit 1; }
as() { local who=$1; shift; (cd /tmp && runuser -u "$who" -- env -u GLYPHWARD_ROOT -u XDG_DATA_HOME HOME="/home/$who" "$@"); }
id "$other" >/dev/null 2>&1 && fail "user $other exists already; remove it first (userdel -r $other)"
trap 'userdel -r "$other" >/dev/null 2>&1 || true; rm -rf "/tmp/$other-root"' EXIT
useradd -m "$other"

echo "check-package: another user against a root made under umask 000"
[ -d "$root/var/mobile/Library/Preferences" ] || fail "the root has no settings yet"
open=$(find "/home/$user/.local" -perm /022 -printf '%m %p\n')
[ -z "$open" ] || fail "first runs under umask 000 left these open to others: $open"
[ "$(stat -c %a "$root")" = 700 ] || fail "the root is $(stat -c %a "$root"), not 700"
# The way to the root is open to all, as a home often is: the root's own modes must stop them.
home_folders=("/home/$user" "/home/$user/.local" "/home/$user/.local/share" "$(dirname "$root")" "$root")
modes=()
for folder in "${home_folders[@]}"; do modes+=("$(stat -c %a "$folder")"); done
for folder in "${home_folders[@]::4}"; do chmod o+x "$folder"; done
for target in "$root/Library/MobileSubstrate/DynamicLibraries" "$root/var"; do
  as "$other" mv "$target" "/tmp/$other-taken" 2>/dev/null && fail "$other could move $target away"
  as "$other" mkdir -p "$target/x" 2>/dev/null && fail "$other could write into $target"
done

# The owner lets everyone through the root, and opens var/ to everyone; the other user swaps
# var/mobile for theirs, which holds a passcode of their choosing.
chmod o+x "$root"
chmod 0777 "$root/var"
as "$other" mkdir -p "/tmp/$other-root"
as "$other" glyphward-defaults --root "/tmp/$other-root" write org.glyphward.host PASS_CODE -string 0,4,8 \
  || fail "$other could not make a settings file"
as "$other" mv "$root/var/mobile" "$root/var/mobile.$user" || fail "$other could not move var/mobile out of an open var/"
as "$other" mv "/tmp/$other-root/var/mobile" "$root/var/mobile" || fail "$other could not put their var/mobile in place"
printf 'launch\nexpect passcode null\ndraw 0 4 8\nexpect keyWindow "lock"\nexpect frontWindow "lock"\n' > "$work/theirs.scenario"
chmod 0644 "$work/theirs.scenario"
as "$user" glyphward-host --script "$work/theirs.scenario" > "$work/theirs.txt" 2>&1 \
  || { cat "$work/theirs.txt" >&2; fail "the other user's passcode opened the lock"; }
grep -q "cannot be read (the folder $root/var is writable by group or others)" "$work/theirs.txt" \
  || { cat "$work/theirs.txt" >&2; fail "the refused settings folder was not logged"; }
grep -q "^log 0,4,8$" "$work/theirs.txt" || fail "the pattern was not drawn"
rm -rf "$root/var/mobile"
mv "$root/var/mobile.$user" "$root/var/mobile"
chmod 0700 "$root/var"

# An empty library folder of theirs in place of the owner's, in a folder opened to everyone.
chmod o+x "$root/Library"
chmod 0777 "$root/Library/MobileSubstrate"
as "$other" mv "$root/Library/MobileSubstrate/DynamicLibraries" "$root/Library/MobileSubstrate/taken" \
  || fail "$other could not move the library folder out of an open folder"
as "$other" mkdir "$root/Library/MobileSubstrate/DynamicLibraries"
printf 'launch\nprint\n' > "$work/nolock.scenario"
chmod 0644 "$work/nolock.scenario"
as "$user" glyphward-host --script "$work/nolock.scenario" > "$work/nolock.txt" 2>&1 || true
grep -q "TweakLoader: refused $root/Library/MobileSubstrate: is writable by group or others" "$work/nolock.txt" \
  || { cat "$work/nolock.txt" >&2; fail "the open library folder was not refused aloud"; }
grep -q "TweakLoader: no library for org.glyphward.host in $root/Library/MobileSubstrate/DynamicLibraries" "$work/nolock.txt" \
  || fail "no line says why there is no lock"
rm -rf "$root/Library/MobileSubstrate/DynamicLibraries"
mv "$root/Library/MobileSubstrate/taken" "$root/Library/MobileSubstrate/DynamicLibraries"
chmod 0700 "$root/Library" "$root/Library/MobileSubstrate"
for i in "${!home_folders[@]}"; do chmod "${modes[$i]}" "${home_folders[$i]}"; done
echo "check-package: another user changed nothing"
