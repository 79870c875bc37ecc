#!/usr/bin/env bash
# Checks the Debian package on this machine, as a user would meet it: installs it, plays the tour
# and a scenario as a fresh non-root user from /tmp (its first run under umask 000), lets a second
# user go after that user's root (check-other-user.sh), writes a setting with glyphward-defaults,
# upgrades to a package whose template changed (the user's library is refreshed, the settings
# kept), removes it (no file of the package left) and leaves the machine as it was.
# Run as root, after scripts/package.sh (it is run here when there is no package yet).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
user=glyphward-check
[ "$(id -u)" -eq 0 ] || { echo "check-package: run as root" >&2; exit 1; }
if dpkg-query -W -f='${Status}' glyphward 2>/dev/null | grep -q "install ok installed"; then
  echo "check-package: glyphward is installed already; remove it first" >&2
  exit 1
fi
if id "$user" >/dev/null 2>&1; then
  echo "check-package: user $user exists already; remove it first (userdel -r $user)" >&2
  exit 1
fi
compgen -G "$here/build/package/glyphward_*.deb" >/dev/null || "$here/scripts/package.sh"
deb=$(ls "$here"/build/package/glyphward_*.deb | head -n 1)

work=$(mktemp -d /tmp/glyphward-check-XXXXXX)
chmod 0755 "$work"
cleanup() {
  apt-get remove -y -q glyphward >/dev/null 2>&1 || true
  userdel -r "$user" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "check-package: FAILED: $*" >&2; exit 1; }
as_user() { (cd /tmp && runuser -u "$user" -- env -u GLYPHWARD_ROOT -u XDG_DATA_HOME HOME="/home/$user" "$@"); }
export DEBIAN_FRONTEND=noninteractive

echo "check-package: installing $deb"
apt-get install -y -q "$deb" >/dev/null 2>&1 || fail "apt-get install $deb"
dpkg -L glyphward | sort > "$work/files"
useradd -m "$user"
userroot="/home/$user/.local/share/glyphward/root"
library="Library/MobileSubstrate/DynamicLibraries/Glyphward.dylib"
template=/usr/share/glyphward/root

[ "$(as_user glyphward-host --print-root)" = "$userroot" ] || fail "--print-root is not $userroot"
# The first run under the loosest umask: the root it lays out is private all the same.
as_user sh -c 'umask 000 && exec glyphward-host --headless --snapshots "$0"' "/tmp/$user-tour" > "$work/tour.txt" \
  || fail "the tour did not play"
[ "$(stat -c %a "/tmp/$user-tour")" = 700 ] || fail "the tour's folder is not private"
grep -q "the contact sheet is /tmp/$user-tour/tour.png" "$work/tour.txt" || fail "no contact sheet"
grep -q "message: Slide to unlock" "$work/tour.txt" || fail "the tour shows no lock"
cmp -s "$template/$library" "$userroot/$library" || fail "the user's root has no library from the template"
[ "$(stat -c %U "$userroot/$library")" = "$user" ] || fail "the user's library is not the user's"
cp "/tmp/$user-tour/tour.png" "$work/tour.png" && rm -rf "/tmp/$user-tour"

as_user sh -c 'umask 000 && exec glyphward-defaults write org.glyphward.host LOCK_INTERVAL -float 60' \
  || fail "glyphward-defaults write"
printf 'launch\nbackground\nwait 61\nforeground\nexpect keyWindow "lock"\n' > "$work/away.scenario"
# 61 s away locks only with the interval written here (180 s otherwise).
as_user glyphward-host --script "$work/away.scenario" > "$work/away.txt" 2>/dev/null || fail "the scenario did not play"
grep -q '^log 超出时间限制锁屏$' "$work/away.txt" || fail "the scenario does not see LOCK_INTERVAL 60"
"$here/scripts/check-other-user.sh" "$user" "$userroot" "$work"

echo "check-package: upgrading to a package whose template changed"
dpkg-deb -R "$deb" "$work/next"
version=$(dpkg-deb -f "$deb" Version)
sed -i "s/^Version: .*/Version: ${version}+check/" "$work/next/DEBIAN/control"
printf 'upgrade marker' >> "$work/next/usr/share/glyphward/root/$library"
printf 'glyphward %s+check\n' "$version" > "$work/next/usr/share/glyphward/root/.glyphward-template"
(cd "$work/next" && find usr -type f -exec md5sum {} + > DEBIAN/md5sums)
dpkg-deb -b --root-owner-group "$work/next" "$work/next.deb" >/dev/null
apt-get install -y -q "$work/next.deb" >/dev/null 2>&1 || fail "apt-get install (upgrade)"
cmp -s "$template/$library" "$userroot/$library" && fail "the test upgrade changed nothing"
as_user glyphward-host --script "$work/away.scenario" > "$work/away.txt" 2>/dev/null || fail "the scenario did not play after the upgrade"
cmp -s "$template/$library" "$userroot/$library" || fail "the user's library was not refreshed"
grep -q '^log 超出时间限制锁屏$' "$work/away.txt" || fail "the setting was not kept across the upgrade"
[ "$(as_user glyphward-defaults read org.glyphward.host LOCK_INTERVAL)" = 60 ] || fail "glyphward-defaults lost the setting"

echo "check-package: removing"
apt-get remove -y -q glyphward >/dev/null 2>&1 || fail "apt-get remove"
# Every file, and every folder of the package's own (shared ones such as /usr/bin stay).
left=0
while IFS= read -r path; do
  if [ -e "$path" ] && { [ ! -d "$path" ] || [[ "$path" == *glyphward* ]]; }; then
    echo "left behind: $path" >&2
    left=1
  fi
done < "$work/files"
[ "$left" -eq 0 ] || fail "files of the package are left"
if dpkg-query -W -f='${Status}' glyphward 2>/dev/null | grep -qv "not-installed"; then
  fail "dpkg still knows the package: $(dpkg-query -W -f='${Status}' glyphward)"
fi
[ -f "$userroot/var/mobile/Library/Preferences/org.glyphward.host.plist" ] || fail "the user's settings went with the package"
echo "check-package: passed (the tour's contact sheet is kept at $here/build/package/check-tour.png)"
cp "$work/tour.png" "$here/build/package/check-tour.png"
