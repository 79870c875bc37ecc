#!/usr/bin/env bash
# Checks the Debian package on this machine, as a user would meet it: lintian finds nothing in it,
# its menu entry, AppStream data and manual pages are clean; then installs it, plays the tour and
# a scenario as a fresh non-root user from /tmp (its first run under umask 000), lets a second
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
fail() { echo "check-package: FAILED: $*" >&2; exit 1; }

echo "check-package: lintian, desktop-file-validate, appstreamcli, man on $deb"
# Not one error or warning; overrides, if ever needed, ship in the package with their reasons.
lintian --fail-on error,warning --tag-display-limit 0 "$deb" > "$work/lintian.txt" 2>&1 || { cat "$work/lintian.txt" >&2; fail "lintian"; }
if grep -E '^[EW]: ' "$work/lintian.txt" >&2; then fail "lintian"; fi
dpkg-deb -x "$deb" "$work/unpacked"
for entry in "$work"/unpacked/usr/share/applications/*.desktop; do
  [ -f "$entry" ] || fail "no .desktop entry"
  desktop-file-validate "$entry" || fail "desktop-file-validate $(basename "$entry")"
done
for metainfo in "$work"/unpacked/usr/share/metainfo/*.metainfo.xml; do
  [ -f "$metainfo" ] || fail "no AppStream metainfo"
  appstreamcli validate --no-net "$metainfo" > "$work/appstream.txt" 2>&1 || { cat "$work/appstream.txt" >&2; fail "appstreamcli validate"; }
done
for page in glyphward-host glyphward-defaults; do
  file="$work/unpacked/usr/share/man/man1/$page.1.gz"
  [ -f "$file" ] || fail "no manual page $page(1)"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$file" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man $page(1): $warnings"
done
cleanup() {
  apt-get remove -y -q glyphward >/dev/null 2>&1 || true
  userdel -r "$user" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
as_user() { (cd /tmp && runuser -u "$user" -- env -u GLYPHWARD_ROOT -u XDG_DATA_HOME HOME="/home/$user" "$@"); }
export DEBIAN_FRONTEND=noninteractive

echo "check-package: installing $deb"
apt-get install -y -q "$deb" >/dev/null 2>&1 || fail "apt-get install $deb"
dpkg -L glyphward | sort > "$work/files"
useradd -m "$user"
userroot="/home/$user/.local/share/glyphward/root"
library="Library/MobileSubstrate/DynamicLibraries/Glyphward.dylib"
template=/usr/share/glyphward/root
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)
libtemplate="/usr/lib/$multiarch/glyphward/root"

[ "$(as_user glyphward-host --print-root)" = "$userroot" ] || fail "--print-root is not $userroot"
# The first run under the loosest umask: the root it lays out is private all the same.
as_user sh -c 'umask 000 && exec glyphward-host --headless --snapshots "$0"' "/tmp/$user-tour" > "$work/tour.txt" \
  || fail "the tour did not play"
[ "$(stat -c %a "/tmp/$user-tour")" = 700 ] || fail "the tour's folder is not private"
grep -q "the contact sheet is /tmp/$user-tour/tour.png" "$work/tour.txt" || fail "no contact sheet"
grep -q "message: Slide to unlock" "$work/tour.txt" || fail "the tour shows no lock"
[ ! -e "$template/$library" ] || fail "the library is under /usr/share"
cmp -s "$libtemplate/$library" "$userroot/$library" || fail "the user's root has no library from the template"
cmp -s "$template/${library%.dylib}.plist" "$userroot/${library%.dylib}.plist" || fail "the user's root has no filter from the template"
[ "$(as_user glyphward-host --version)" = "glyphward-host $(dpkg-deb -f "$deb" Version)" ] || fail "glyphward-host --version"
[ "$(as_user glyphward-defaults --version)" = "glyphward-defaults $(dpkg-deb -f "$deb" Version)" ] || fail "glyphward-defaults --version"
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
printf 'upgrade marker' >> "$work/next/$libtemplate/$library"
printf 'glyphward %s+check\n' "$version" > "$work/next/usr/share/glyphward/root/.glyphward-template"
(cd "$work/next" && find usr -type f -exec md5sum {} + > DEBIAN/md5sums)
dpkg-deb -b --root-owner-group "$work/next" "$work/next.deb" >/dev/null
apt-get install -y -q "$work/next.deb" >/dev/null 2>&1 || fail "apt-get install (upgrade)"
cmp -s "$libtemplate/$library" "$userroot/$library" && fail "the test upgrade changed nothing"
as_user glyphward-host --script "$work/away.scenario" > "$work/away.txt" 2>/dev/null || fail "the scenario did not play after the upgrade"
cmp -s "$libtemplate/$library" "$userroot/$library" || fail "the user's library was not refreshed"
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
