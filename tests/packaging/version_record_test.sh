#!/usr/bin/env bash
# Compiles the Windows resource script with the MinGW resource compiler into a
# COFF object, the form the linker takes, decompiles that object back to
# resource text and checks the version record and the icon group in it.
#   version_record_test.sh RC_FILE ICON_DIR
set -euo pipefail
rc=$1 icon_dir=$2
windres=$(command -v x86_64-w64-mingw32-windres || true)
if [ -z "$windres" ]; then
  echo "FAIL: x86_64-w64-mingw32-windres not installed (make test installs binutils-mingw-w64-x86-64)"
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# No MinGW C compiler is needed: the host preprocessor reads the script.
"$windres" --preprocessor=cpp -I "$icon_dir" -O coff -o "$work/tintoral.o" "$rc"
"$windres" -J coff -i "$work/tintoral.o" -O rc -o "$work/back.rc"

failures=0
expect() {  # a line that must be in the decompiled text, blanks trimmed
  if ! sed 's/^[[:space:]]*//; s/[[:space:]]*$//' "$work/back.rc" | grep -qxF -- "$1"; then
    echo "FAIL: missing: $1"
    failures=$((failures + 1))
  fi
}
count() {  # how many lines match an extended regular expression
  grep -cE -- "$1" "$work/back.rc" || true
}

expect '1 VERSIONINFO'
expect 'FILEVERSION 1, 0, 0, 0'
expect 'PRODUCTVERSION 1, 0, 0, 0'
expect 'FILEOS 0x40004'
expect 'FILETYPE 0x1'
expect 'BLOCK "StringFileInfo"'
expect 'BLOCK "040C04B0"'
expect 'VALUE "FileVersion", "1.00"'
expect 'VALUE "ProductVersion", "1.00"'
expect 'VALUE "ProductName", "Tintoral"'
expect 'VALUE "InternalName", "Tintoral"'
expect 'VALUE "OriginalFilename", "Tintoral.exe"'
expect 'BLOCK "VarFileInfo"'
expect 'VALUE "Translation", 0x40c, 1200'
# Every resource is French (France): LANG_FRENCH 12, SUBLANG_FRENCH 1.
[ "$(count '^LANGUAGE ')" -ge 1 ] && [ "$(count '^LANGUAGE ')" = "$(count '^LANGUAGE 12, 1$')" ] ||
  { echo "FAIL: a resource that is not French: $(grep '^LANGUAGE' "$work/back.rc" | sort -u | tr '\n' ' ')"; failures=$((failures + 1)); }
# One string table and one translation, nothing else in the record.
[ "$(count '^ *BLOCK "[0-9A-Fa-f]{8}"')" = 1 ] || { echo "FAIL: not exactly one string table"; failures=$((failures + 1)); }
[ "$(count '^ *VALUE "[A-Za-z]+", "')" = 5 ] || { echo "FAIL: not exactly the five version strings"; failures=$((failures + 1)); }
[ "$(count '^ *VALUE "Translation"')" = 1 ] || { echo "FAIL: not exactly one translation"; failures=$((failures + 1)); }

# The icon group: 32x32 2 colours 1 bit, 32x32 16 colours 4 bits, 16x16 16 colours 4 bits.
expect '0, 1, 3,	 /* Has 3 elements.  */'
group=$(grep -E '^ *"\\[0-7]{3}\\[0-7]{3}\\[0-7]{3}\\000", 1, [0-9]+,' "$work/back.rc" | sed -E 's/^ *"([^"]*)", 1, ([0-9]+),.*/\1 \2/')
want=$(printf '%s\n' '\040\040\002\000 1' '\040\040\020\000 4' '\020\020\020\000 4')
if [ "$group" != "$want" ]; then
  echo "FAIL: icon group entries (width height colours pad, bits):"
  echo "$group"
  failures=$((failures + 1))
fi
[ "$(count 'RT_ICON \*/$')" = 3 ] || { echo "FAIL: not exactly three icon images"; failures=$((failures + 1)); }

if [ "$failures" -gt 0 ]; then
  echo "--- decompiled resources:"
  grep -vE '^ +0x' "$work/back.rc"
  exit 1
fi
echo "version record and icon group as expected"
