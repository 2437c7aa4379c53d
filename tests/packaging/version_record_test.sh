#!/usr/bin/env bash
# Compiles the Windows resource script with the MinGW resource compiler into a
# COFF object, the form the linker takes, decompiles that object back to
# resource text and checks the version record and the icon group in it.
#   version_record_test.sh RC_FILE ICON_DIR
set -euo pipefail
rc=$1 icon_dir=$2
windres=x86_64-w64-mingw32-windres
for tool in "$windres" cpp; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool not installed (make test installs binutils-mingw-w64-x86-64)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# No MinGW C compiler is needed: the host preprocessor reads the script.
"$windres" --preprocessor=cpp -I "$icon_dir" -O coff -o "$work/tintoral.o" "$rc"
"$windres" -J coff -i "$work/tintoral.o" -O rc -o "$work/back.rc"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
count() { grep -cE -- "$1" "$work/back.rc" || true; }  # lines matching an extended regex

# Lines that must be in the decompiled text, blanks trimmed.
sed 's/^[[:space:]]*//; s/[[:space:]]*$//' "$work/back.rc" >"$work/trimmed"
while IFS= read -r line; do
  grep -qxF -- "$line" "$work/trimmed" || fail "missing: $line"
done <<'LINES'
1 VERSIONINFO
FILEVERSION 1, 0, 0, 0
PRODUCTVERSION 1, 0, 0, 0
FILEOS 0x40004
FILETYPE 0x1
BLOCK "StringFileInfo"
BLOCK "040C04B0"
VALUE "FileVersion", "1.00"
VALUE "ProductVersion", "1.00"
VALUE "ProductName", "Tintoral"
VALUE "InternalName", "Tintoral"
VALUE "OriginalFilename", "Tintoral.exe"
BLOCK "VarFileInfo"
VALUE "Translation", 0x40c, 1200
0, 1, 3,	 /* Has 3 elements.  */
LINES
# Every resource is French (France): LANG_FRENCH 12, SUBLANG_FRENCH 1.
[ "$(count '^LANGUAGE ')" -ge 1 ] && [ "$(count '^LANGUAGE ')" = "$(count '^LANGUAGE 12, 1$')" ] ||
  fail "a resource that is not French: $(grep '^LANGUAGE' "$work/back.rc" | sort -u | tr '\n' ' ')"
# One string table of five strings and one translation, nothing else in the record.
[ "$(count '^ *BLOCK "[0-9A-Fa-f]{8}"')" = 1 ] || fail "not exactly one string table"
[ "$(count '^ *VALUE "[A-Za-z]+", "')" = 5 ] || fail "not exactly the five version strings"
[ "$(count '^ *VALUE "Translation"')" = 1 ] || fail "not exactly one translation"

# The icon group: 32x32 2 colours 1 bit, 32x32 16 colours 4 bits, 16x16 16 colours 4 bits.
group=$(grep -E '^ *"\\[0-7]{3}\\[0-7]{3}\\[0-7]{3}\\000", 1, [0-9]+,' "$work/back.rc" | sed -E 's/^ *"([^"]*)", 1, ([0-9]+),.*/\1 \2/')
want=$(printf '%s\n' '\040\040\002\000 1' '\040\040\020\000 4' '\020\020\020\000 4')
[ "$group" = "$want" ] || fail "icon group entries (width height colours pad, bits):"$'\n'"$group"
[ "$(count 'RT_ICON \*/$')" = 3 ] || fail "not exactly three icon images"

if [ "$failures" -gt 0 ]; then
  echo "--- decompiled resources:"
  grep -vE '^ +0x' "$work/back.rc"
  exit 1
fi
echo "version record and icon group as expected"
