#!/usr/bin/env bash
# Builds Quokka's Debian package for the Debian release this machine runs.
#   bash packaging/build-deb.sh [BUILD_FOLDER]     (default: build-deb beside the sources)
# Prints the path of the .deb on its last line. The build uses Debian's build flags (dpkg-buildflags:
# hardening, optimisation), installs under /usr, strips the programs and lets CPack's DEB generator
# compute the dependencies (dpkg-shlibdeps for what is linked, cmake/packaging.cmake for what is loaded).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath -m "${1:-$here/build-deb}")"

# Debian's flags (from the source folder, so that -ffile-prefix-map keeps its path out of the programs);
# CMake does not read CPPFLAGS, so they go in front of the compiler flags.
cd "$here"
export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
eval "$(dpkg-buildflags --export=sh)"
export CXXFLAGS="${CPPFLAGS:-} ${CXXFLAGS:-}"
export CFLAGS="${CPPFLAGS:-} ${CFLAGS:-}"
# ccache: paths below the source folder count as relative, so that another build folder (the package
# test's) or another clone reuses the objects; the prefix map keeps folder names out of the debug data.
export CCACHE_BASEDIR="$here" CCACHE_NOHASHDIR=1
cmake -S "$here" -B "$build" -G Ninja -Wno-dev \
    -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr -DQUOKKA_PACKAGE=ON \
    -DCMAKE_CXX_FLAGS="$CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" -DCMAKE_SHARED_LINKER_FLAGS="$LDFLAGS" \
    -DCMAKE_STRIP="$here/packaging/strip.sh" \
    -DQUOKKA_BUILD_TESTS=OFF -DQUOKKA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --parallel "${QUOKKA_JOBS:-$(nproc)}"
rm -f "$build"/quokka_*.deb
(cd "$build" && cpack -G DEB >/dev/null) || { echo "cpack failed; see $build/_CPack_Packages/Linux/DEB/*.log" >&2; exit 1; }
ls "$build"/quokka_*.deb
