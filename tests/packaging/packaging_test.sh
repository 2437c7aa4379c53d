#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# What the build ships, written as one report and compared with
# tests/golden/packaging.txt: the Windows resources as the MinGW resource
# compiler reads them back (version record, icon group and icon bits), the
# pixels of the PNG icons, what the validators and man say of the desktop
# entry, metadata and man pages (every option of --help described in them and
# in the README), the Debian package (fields, files, no library search path, the
# unpacked programs at work, lintian's verdict) and the gallery against the renderers.
#   packaging_test.sh SOURCE_DIR BUILD_DIR      (TINTORAL_WRITE_GOLDEN=1 rewrites the golden report)
set -uo pipefail
src=$1 build=$(cd "$2" && pwd) golden=$1/tests/golden/packaging.txt
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for tool in x86_64-w64-mingw32-windres cpp cpack dpkg-deb readelf desktop-file-validate appstreamcli man convert lintian; do
  command -v "$tool" > /dev/null || { echo "FAIL: $tool not installed (make test installs it: scripts/install-deps.sh)"; exit 1; }
done
pixels() { convert "$1" -depth 8 rgba:- | sha256sum | cut -c1-16; }
man() { LC_ALL=C.UTF-8 MANWIDTH=200 command man "$@"; }
share=$build/share id=org.tintoral.Tintoral
{
  echo "== Windows resources"
  # No MinGW C compiler is needed: the host preprocessor reads the script.
  x86_64-w64-mingw32-windres --preprocessor=cpp -I "$build/icons" -O coff -o "$work/rc.o" "$src/app/tintoral.rc" &&
    x86_64-w64-mingw32-windres -J coff -i "$work/rc.o" -O rc -o /dev/stdout | grep -v '^/\*'
  echo "== icons"
  for size in 16 32 48 256; do echo "tintoral-$size.png $(pixels "$build/icons/tintoral-$size.png")"; done
  echo "== desktop entry, metadata, man pages"
  desktop-file-validate "$share/$id.desktop" 2>&1 && echo "desktop entry valid"
  appstreamcli validate --no-net "$share/$id.metainfo.xml" > /dev/null 2>&1 && echo "metadata valid"
  grep -o '<release version="[^"]*"' "$share/$id.metainfo.xml"
  grep '^Icon=' "$share/$id.desktop"
  for page in tintoral tintoral-render; do
    echo "$page.1: warnings [$(man --warnings -l "$share/$page.1.gz" 2>&1 > /dev/null)] $(man -l "$share/$page.1.gz" | grep -o 'Tintoral 1.00' | head -1)"
  done
  grep -o '<project_license>[^<]*' "$share/$id.metainfo.xml"
  for exe in tintoral tintoral-render; do # every option of --help (no display needed) in the man page and the README
    options=$(env -u DISPLAY -u WAYLAND_DISPLAY "$build/$exe" --help | grep -E '^  -' | sed -E 's/  +[^ -].*//' | grep -oE -- '--[a-z-]+' | sort -u)
    for doc in "man page:$(man -l "$share/$exe.1.gz" 2> /dev/null)" "README:$(cat "$src/README.md")"; do
      echo "$exe: $(wc -w <<< "$options") options of --help, missing from the ${doc%%:*}: [$(for o in $options; do
        grep -qE -- "(^|[^a-z-])$o([^a-z-]|$)" <<< "${doc#*:}" || echo -n " $o"; done)]"
    done
  done
  echo "== Debian package"
  (cd "$build" && cpack -G DEB --config CPackConfig.cmake -B "$work/out") > "$work/cpack.log" 2>&1 || cat "$work/cpack.log"
  deb=$(ls "$work"/out/*.deb)
  for field in Package Version Architecture; do echo "$field: $(dpkg-deb -f "$deb" "$field")"; done
  echo "Depends: $(dpkg-deb -f "$deb" Depends | sed 's/([^)]*)//g; s/|/,/g' | tr ',' '\n' | tr -d ' ' | sort | tr '\n' ' ')"
  echo "Maintainer: $([ -n "$(dpkg-deb -f "$deb" Maintainer)" ] && echo set)"
  dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' | grep -v '/$' | sort
  dpkg -x "$deb" "$work/root"
  for exe in tintoral tintoral-render; do
    echo "$exe: $(stat -c %A "$work/root/usr/bin/$exe") $(readelf -d "$work/root/usr/bin/$exe" | grep -cE 'RPATH|RUNPATH') search paths"
  done
  "$work/root/usr/bin/tintoral-render" --version
  env -u DISPLAY -u WAYLAND_DISPLAY "$work/root/usr/bin/tintoral" --version
  echo "lintian errors and warnings:"
  lintian --no-cfg "$deb" 2>&1 | grep -E '^[EW]: '
  "$work/root/usr/bin/tintoral-render" --mode 3 --size 2x1 --list -
  echo "== gallery (docs/gallery against scripts/gallery.sh now)"
  bash "$src/scripts/gallery.sh" "$build" "$work/gallery" > /dev/null
  diff <(cd "$src/docs/gallery" && ls) <(cd "$work/gallery" && ls)
  for f in "$work"/gallery/*.png; do
    name=$(basename "$f")
    echo "$name $([ "$(pixels "$f")" = "$(pixels "$src/docs/gallery/$name")" ] && echo same || echo differs)" \
      "$(grep -qF "(docs/gallery/$name)" "$src/README.md" && echo "in README" || echo "not in README")"
  done
} > "$work/report" 2>&1
[ -n "${TINTORAL_WRITE_GOLDEN:-}" ] && cp "$work/report" "$golden"
diff -u "$golden" "$work/report" && echo "the build ships what tests/golden/packaging.txt records" && exit 0
echo "FAIL: the report differs from $golden (- recorded, + now); if the change is wanted run 'make golden'"
echo "(a differing gallery picture: 'make gallery' and commit docs/gallery after checking it)"
exit 1
