#!/usr/bin/env bash
# Builds Quokka's Debian package for the Debian release this machine runs.
#   bash packaging/build-deb.sh [BUILD_FOLDER]     (default: build-deb beside the sources)
# Prints the path of the .deb on its last line. The build uses Debian's build flags (dpkg-buildflags:
# hardening, optimisation), installs under /usr, strips the programs and lets CPack's DEB generator
# compute the dependencies (dpkg-shlibdeps for what is linked, cmake/packaging.cmake for what is loaded).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build-deb}"

# Debian's flags; CMake does not read CPPFLAGS, so they go in front of the compiler flags.
eval "$(dpkg-buildflags --export=sh)"
export CXXFLAGS="${CPPFLAGS:-} ${CXXFLAGS:-}"
export CFLAGS="${CPPFLAGS:-} ${CFLAGS:-}"
cmake -S "$here" -B "$build" -G Ninja -Wno-dev \
    -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr -DQUOKKA_PACKAGE=ON \
    -DQUOKKA_BUILD_TESTS=OFF -DQUOKKA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --parallel "${QUOKKA_JOBS:-$(nproc)}"
rm -f "$build"/quokka_*.deb
(cd "$build" && cpack -G DEB >/dev/null) || { echo "cpack failed; see $build/_CPack_Packages/Linux/DEB/*.log" >&2; exit 1; }
ls "$build"/quokka_*.deb
