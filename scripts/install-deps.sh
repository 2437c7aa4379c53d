#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages that building, running and testing need.
# Runs `apt-get update` only when something is missing; as root it installs
# directly, otherwise through sudo.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-private-dev libgl-dev libxcb1-dev
  # Qt's Wayland plugin: the program runs natively on a Wayland desktop;
  # wayland-client to ask the compositor for an output's device size
  qt6-wayland libwayland-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  # end-to-end tests: a real X server, a window manager and real X input;
  # x11-utils for xwininfo and xprop, which read window geometry and state
  xvfb xauth openbox xdotool wmctrl x11-xserver-utils x11-utils imagemagick
  # and on a headless Wayland compositor: sway, its screenshots (grim) and
  # window tree (jq), the client library and code generator for the virtual
  # keyboard, and text recognition to read the selection window's info frame
  sway grim jq libwayland-bin tesseract-ocr tesseract-ocr-eng
  # packaging: Windows resource compiler, desktop and AppStream validators,
  # Debian package tools and checker, man pages
  binutils-mingw-w64-x86-64 desktop-file-utils appstream dpkg-dev lintian man-db
)
# `make fuzz` only (scripts/fuzz.sh passes "fuzz"): Clang and its libFuzzer runtime
if [ "${1:-}" = fuzz ]; then
  packages+=(clang libclang-rt-dev)
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  run=()
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  run=(sudo)
elif command -v sudo >/dev/null 2>&1; then
  run=(sudo)
else
  echo "error: missing packages (${missing[*]}) and neither root nor sudo is available to install them" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${run[@]}" apt-get update -qq
"${run[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
