#!/usr/bin/env bash
# The committed gallery (docs/gallery) is what the renderers draw now: renders
# it afresh with scripts/gallery.sh into a scratch folder and compares every
# picture, bytes first and, where the PNG encoding differs, pixels; and the
# README shows every picture.
#   gallery_test.sh BUILD_DIR      (the folder that holds tintoral-render)
set -euo pipefail
build=$1
repo=$(cd "$(dirname "$0")/../.." && pwd)
committed=$repo/docs/gallery
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

bash "$repo/scripts/gallery.sh" "$build" "$work" >/dev/null
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pixels() { convert "$1" -depth 8 rgb:-; }

(cd "$work" && ls *.png) >"$work/rendered.list"
(cd "$committed" && ls *.png) >"$work/committed.list" 2>/dev/null || true
diff -u "$work/committed.list" "$work/rendered.list" >/dev/null ||
  fail "the committed pictures are not the rendered set: $(diff "$work/committed.list" "$work/rendered.list" | grep '^[<>]' | tr '\n' ' ')"

while read -r name; do
  [ -f "$committed/$name" ] || continue
  cmp -s "$committed/$name" "$work/$name" && continue
  if ! command -v convert >/dev/null; then
    fail "docs/gallery/$name differs in its bytes (and convert, to compare pixels, is missing)"
  elif [ "$(identify -format '%wx%h' "$committed/$name")" != "$(identify -format '%wx%h' "$work/$name")" ] ||
       ! cmp -s <(pixels "$committed/$name") <(pixels "$work/$name"); then
    fail "docs/gallery/$name is not what the renderer draws now"
  fi
done <"$work/rendered.list"

while read -r name; do
  grep -qF "(docs/gallery/$name)" "$repo/README.md" || fail "README.md does not show docs/gallery/$name"
done <"$work/rendered.list"

if [ "$failures" -gt 0 ]; then
  echo "Run 'make gallery' and commit docs/gallery after checking the pictures."
  exit 1
fi
echo "gallery: $(wc -l <"$work/rendered.list") pictures match the renderers"
