#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package of a configured and built tree with CPack.
#   scripts/package.sh BUILD_DIR      -> BUILD_DIR/package/tintoral_VERSION_ARCH.deb
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
build=$1
if [ ! -f "$build/CPackConfig.cmake" ]; then
  echo "$0: $build is not a configured build folder (no CPackConfig.cmake)" >&2
  exit 1
fi
cd "$build"
rm -f package/*.deb
cpack -G DEB --config CPackConfig.cmake
deb=$(ls package/*.deb)
echo
echo "Debian package: $PWD/$deb"
dpkg-deb -f "$deb" Package Version Architecture Depends
echo "Install it with: sudo apt install $PWD/$deb"
