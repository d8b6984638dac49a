#!/usr/bin/env bash
# Builds the Debian package korvale_<version>_<arch>.deb in the project's root: a release build of
# the program and its two libraries with Debian's hardening flags, packed by CPack.
# Install it with:  sudo apt install ./korvale_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
[ "${KORVALE_SKIP_SETUP:-}" = 1 ] || bash scripts/setup.sh

build=build/package
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
export CFLAGS CXXFLAGS LDFLAGS

# /usr as the prefix makes the library folder the multiarch one (lib/<triplet>/korvale).
# Installing builds only what is installed, not every program of the tree.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DKORVALE_BUILD_TESTS=OFF -DKORVALE_BUILD_BENCH=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
cmake --build "$build" -j"$(nproc)" --target korvale mdxdrv usbkit

rm -f "$build"/korvale_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/korvale_*.deb)
cp "$deb" .
echo "Package: $(basename "$deb")"
