#!/usr/bin/env bash
# Checks the files the package adds for the desktop and the shell, as built: the menu entry and the
# AppStream data validate, the manual pages render without a warning, and the bash completion
# offers the flags, the verbs, the value types and the domains the tool lists.
# Usage: check-files.sh SOURCE_DIR BINARY_DIR
set -uo pipefail
source_dir=$1
binary_dir=$2
failed=0
fail() { echo "FAILED: $*" >&2; failed=1; }

desktop-file-validate "$source_dir/resources/desktop/org.glyphward.Glyphward.desktop" || fail "desktop-file-validate"
grep -qx 'StartupWMClass=glyphward-host' "$source_dir/resources/desktop/org.glyphward.Glyphward.desktop" \
  || fail "the menu entry's StartupWMClass is not the window's class"
appstreamcli validate --no-net "$binary_dir/packaging/org.glyphward.Glyphward.metainfo.xml" || fail "appstreamcli validate"
for page in glyphward-host glyphward-defaults; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$binary_dir/packaging/$page.1" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man $page(1): $warnings"
  text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -E UTF-8 -l "$binary_dir/packaging/$page.1" 2>/dev/null)
  grep -q -- '--version' <<<"$text" || fail "$page(1) does not name --version"
done

# What completing the words (the last one the word being typed) offers.
complete_words() {
  local function=$1
  shift
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  "$function"
  printf '%s\n' "${COMPREPLY[@]}"
}
offers() { grep -qx -- "$2" <<<"$1" || fail "completing '$3' does not offer $2"; }

source "$source_dir/resources/completion/glyphward-host.bash"
source "$source_dir/resources/completion/glyphward-defaults.bash"
# Stands for the tool: its domains, and the root it was asked about.
glyphward-defaults() {
  [ "$*" = "--root /r domains" ] && { echo "org.glyphward.host, other.domain"; return 0; }
  [ "$*" = domains ] && { echo "org.glyphward.host"; return 0; }
  return 1
}
offers "$(complete_words _glyphward_host glyphward-host --ve)" --version "glyphward-host --ve"
offers "$(complete_words _glyphward_host glyphward-host --lang z)" zh-Hans "glyphward-host --lang z"
words=$(complete_words _glyphward_defaults glyphward-defaults '')
for verb in read read-type write delete domains find export import rename --version; do offers "$words" "$verb" "glyphward-defaults"; done
offers "$(complete_words _glyphward_defaults glyphward-defaults read org)" org.glyphward.host "glyphward-defaults read org"
words=$(complete_words _glyphward_defaults glyphward-defaults --root /r write '')
offers "$words" other.domain "glyphward-defaults --root /r write"
words=$(complete_words _glyphward_defaults glyphward-defaults write org.glyphward.host KEY -)
for type in -bool -boolean -int -integer -float -string -data -date -array -array-add -dict -dict-add; do
  offers "$words" "$type" "glyphward-defaults write DOMAIN KEY -"
done
offers "$(complete_words _glyphward_defaults glyphward-defaults write d K -bool Y)" YES "write d K -bool Y"
[ -z "$(complete_words _glyphward_defaults glyphward-defaults write d K -string Y)" ] || fail "a string value is completed"
exit "$failed"
