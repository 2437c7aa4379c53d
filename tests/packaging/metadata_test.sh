#!/usr/bin/env bash
# The desktop entry, the AppStream metadata and the man pages as the build
# makes them: the standard validators accept them and man formats the pages
# without a warning.
#   metadata_test.sh SHARE_DIR BIN_DIR      (the build's share/ folder, and the one with both programs)
set -euo pipefail
share=$1 bin=$2
id=org.tintoral.Tintoral
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for tool in desktop-file-validate appstreamcli man; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool not installed (make test installs it: scripts/install-deps.sh)"; exit 1; }
done

desktop-file-validate "$share/$id.desktop" || fail "desktop-file-validate rejects $id.desktop"
appstreamcli validate --no-net "$share/$id.metainfo.xml" || fail "appstreamcli rejects $id.metainfo.xml"
grep -q '<release version="1.00"' "$share/$id.metainfo.xml" || fail "the metadata has no release 1.00"
grep -q '<project_license>MIT</project_license>' "$share/$id.metainfo.xml" || fail "the metadata names no MIT licence"
grep -qx 'Icon=tintoral' "$share/$id.desktop" || fail "the desktop entry names another icon"

man() { LC_ALL=C.UTF-8 command man "$@"; }
for page in tintoral tintoral-render; do
  warnings=$(MANWIDTH=80 man --warnings -l "$share/$page.1.gz" 2>&1 >/dev/null) || fail "man cannot format $page.1"
  [ -z "$warnings" ] || fail "man warns about $page.1: $warnings"
  grep -q "Tintoral 1.00" <<<"$(MANWIDTH=80 man -l "$share/$page.1.gz")" || fail "$page.1 does not carry version 1.00"
done
# Every option in each program's usage is in its man page and in the README.
readme=$(cat "$(dirname "$0")/../../README.md")
while read -r program least; do
  page=$(MANWIDTH=200 man -l "$share/$program.1.gz" 2>/dev/null)
  # (the option column of the usage's option lines, not the examples in its text)
  options=$(env -u DISPLAY -u WAYLAND_DISPLAY "$bin/$program" --help | grep -E '^  -' |
    sed -E 's/  +[^ -].*//' | grep -oE -- '--[a-z-]+' | sort -u)
  [ "$(wc -l <<<"$options")" -ge "$least" ] || fail "too few options in the usage of $program: $options"
  for option in $options; do
    grep -qE -- "(^|[^a-z-])$option([^a-z-]|$)" <<<"$page" || fail "$program.1 does not describe $option"
    grep -qE -- "(^|[^a-z-])$option([^a-z-]|$)" <<<"$readme" || fail "README.md does not describe $option"
  done
done <<<"tintoral 5
tintoral-render 15"

[ "$failures" -eq 0 ] || exit 1
echo "desktop entry, metadata and man pages valid"
