#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Renders the 24 tests of the selection window with tintoral-render into small
# PNGs for the README's gallery.
#
#   scripts/gallery.sh BUILD_DIR [OUTPUT_DIR]     (default OUTPUT_DIR: docs/gallery)
#
# The gallery test renders into a scratch folder with this same script and
# compares the result with the committed pictures, so after a change to a
# renderer run `make gallery` and commit docs/gallery.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 BUILD_DIR [OUTPUT_DIR]" >&2
  exit 2
fi
repo=$(cd "$(dirname "$0")/.." && pwd)
render="$1/tintoral-render"
out=${2:-$repo/docs/gallery}
size=320x180

if [ ! -x "$render" ]; then
  echo "$0: $render not found: build the tintoral-render target first" >&2
  exit 1
fi

# Mode code and file name of each test, in the order of the selection
# window's buttons (the Colors frame row by row, then the Tools frame).
tests=(
  "1 01-bw"                  "2 02-black"               "3 03-white"
  "4 04-grey"                "8 08-black-plus"          "12 12-color"
  "5 05-red"                 "6 06-green"               "7 07-blue"
  "9 09-red-shading"         "10 10-green-shading"      "11 11-blue-shading"
  "13 13-all-colors-shading" "21 21-black-level-test"   "22 22-white-level-test"
  "14 14-white-dot-pattern"  "15 15-red-dot-pattern"    "16 16-green-dot-pattern"
  "17 17-blue-dot-pattern"   "19 19-vertical-lines"     "20 20-horizontal-lines"
  "23 23-convergence-grid"   "18 18-geometrie"          "24 24-test"
)

mkdir -p "$out"
for entry in "${tests[@]}"; do
  read -r mode name <<<"$entry"
  "$render" --mode "$mode" --size "$size" --png "$out/$name.png"
done
echo "gallery: ${#tests[@]} pictures of $size in $out"
