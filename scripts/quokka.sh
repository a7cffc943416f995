#!/usr/bin/env bash
# Sets up, builds and starts Quokka, or runs every test.
#   bash scripts/quokka.sh run     install what is missing, build, start Quokka
#   bash scripts/quokka.sh test    install what is missing, build, run every test
#   bash scripts/quokka.sh bench   build and run the benchmarks
#   bash scripts/quokka.sh package install what is missing, build the Debian package (build-deb/quokka_*.deb)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUOKKA_BUILD_DIR:-$here/build}"

# The packages of scripts/debian-packages.txt that this Debian release needs.
wanted_packages() {
    local codename="" version=""
    if [ -r /etc/os-release ]; then
        codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-}")"
        version="$(. /etc/os-release && echo "${VERSION_ID:-}")"
    fi
    local line package releases release
    while IFS= read -r line || [ -n "$line" ]; do
        line="${line%%#*}"
        read -r package releases <<<"$line" || true
        [ -n "$package" ] || continue
        if [ -z "$releases" ]; then
            echo "$package"
            continue
        fi
        for release in $releases; do
            if [ "$release" = "$codename" ] || [ "$release" = "$version" ]; then
                echo "$package"
                break
            fi
        done
    done <"$here/scripts/debian-packages.txt"
}

install_missing() {
    mapfile -t wanted < <(wanted_packages)
    local missing=()
    for p in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing Debian packages: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build() {
    cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" --parallel "$(nproc)"
}

sandbox_note() {
    # Chromium's sandbox cannot run as root (for example in a container); users keep it.
    if [ "$(id -u)" -eq 0 ]; then
        export QTWEBENGINE_DISABLE_SANDBOX=1
        echo "Running as root: the web engine's sandbox is turned off for this run (QTWEBENGINE_DISABLE_SANDBOX=1)."
    fi
}

case "${1:-run}" in
run)
    install_missing
    build
    sandbox_note
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "No display found. Start Quokka on a desktop, or without one: xvfb-run -a bash scripts/quokka.sh run" >&2
        exit 1
    fi
    cd "$here"   # the shipped files (dat/, download.avi, start.html) are looked for here first
    exec "$build/src/quokka"
    ;;
test)
    install_missing
    build
    export QT_QPA_PLATFORM=offscreen
    # The user-agent wall the checker's tests run is npm's isbot, installed beside the tests.
    bash "$here/tests/npm/install.sh" "$build/tests/npm"
    cd "$build"
    # Most tests wait (for a page, a server, a window): two at a time for each core, the heavy ones
    # counted as two (tests/CMakeLists.txt). QUOKKA_TEST_JOBS=1 runs them one after another.
    ctest --output-on-failure --timeout 900 --parallel "${QUOKKA_TEST_JOBS:-$(( $(nproc) * 2 ))}"
    ;;
bench)
    install_missing
    build
    sandbox_note
    bash "$here/bench/run-benchmarks.sh" "$build"
    ;;
package)
    install_missing
    bash "$here/packaging/build-deb.sh" "${QUOKKA_PACKAGE_BUILD_DIR:-$here/build-deb}"
    ;;
*)
    echo "usage: bash scripts/quokka.sh run|test|bench|package" >&2
    exit 2
    ;;
esac
