#!/usr/bin/env bash
# Builds the Debian package from the build tree with CPack into a scratch
# folder, checks its control fields and contents with dpkg-deb, unpacks it
# into a scratch root and runs the unpacked tintoral-render.
#   deb_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
for tool in cpack dpkg dpkg-deb dpkg-shlibdeps readelf lintian; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool not installed (make test installs it: scripts/install-deps.sh)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

(cd "$build" && cpack -G DEB --config CPackConfig.cmake -B "$work/out") >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1; }
debs=("$work"/out/*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || { ls -R "$work/out"; echo "FAIL: not exactly one package"; exit 1; }
deb=${debs[0]}
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tintoral ] || fail "Package: $(field Package)"
[ "$(field Version)" = 1.00 ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture: $(field Architecture)"
# dpkg-shlibdeps worked out the run-time libraries.
depends=$(field Depends)
names=$(sed 's/([^)]*)//g; s/|/,/g' <<<"$depends" | tr ',' '\n' | tr -d ' ')
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6; do
  grep -qxF "$lib" <<<"$names" || fail "Depends lacks $lib: $depends"
done
[ -n "$(field Maintainer)" ] || fail "no Maintainer"

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' | grep -v '/$' | sort >"$work/files"
cat >"$work/want" <<'LIST'
/usr/bin/tintoral
/usr/bin/tintoral-render
/usr/share/applications/org.tintoral.Tintoral.desktop
/usr/share/doc/tintoral/changelog.gz
/usr/share/doc/tintoral/copyright
/usr/share/icons/hicolor/16x16/apps/tintoral.png
/usr/share/icons/hicolor/256x256/apps/tintoral.png
/usr/share/icons/hicolor/32x32/apps/tintoral.png
/usr/share/icons/hicolor/48x48/apps/tintoral.png
/usr/share/icons/hicolor/scalable/apps/tintoral.svg
/usr/share/man/man1/tintoral-render.1.gz
/usr/share/man/man1/tintoral.1.gz
/usr/share/metainfo/org.tintoral.Tintoral.metainfo.xml
LIST
diff -u "$work/want" "$work/files" || fail "the package's files differ from the list above (- wanted, + packed)"

root=$work/root
dpkg -x "$deb" "$root"
for exe in tintoral tintoral-render; do
  [ -x "$root/usr/bin/$exe" ] || fail "$exe is not executable"
  # The system's libraries only: no search path of the build or next to the program.
  dynamic=$(readelf -d "$root/usr/bin/$exe") || fail "readelf cannot read $exe"
  ! grep -E 'RPATH|RUNPATH' <<<"$dynamic" || fail "$exe has a library search path (above)"
done
version=$("$root/usr/bin/tintoral-render" --version) || true
[ "$version" = "tintoral-render 1.00" ] || fail "tintoral-render --version printed '$version'"
# The unpacked tool draws: white over a 2 x 1 window of 15 twips a pixel.
drawn=$("$root/usr/bin/tintoral-render" --mode 3 --size 2x1 --list -) || true
[ "$drawn" = "fill 0 0 30 15 16777215" ] || fail "the installed tintoral-render drew '$drawn'"

version=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/tintoral" --version) || true
[ "$version" = "tintoral 1.00" ] || fail "tintoral --version without a display printed '$version'"

# Debian's own checker: no errors and no warnings.
lintian --no-cfg "$deb" >"$work/lintian.log" 2>&1 || true
cat "$work/lintian.log"
! grep -E '^[EW]: ' "$work/lintian.log" >/dev/null || fail "lintian reports errors or warnings (above)"

[ "$failures" -eq 0 ] || exit 1
echo "Debian package as expected"
