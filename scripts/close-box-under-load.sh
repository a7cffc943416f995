#!/usr/bin/env bash
# Runs the close-box system test's loops while the machine is busy, the way the lost close request was
# seen: two other programs building beside it. Run by hand; it is not part of the test suite.
#
#   scripts/close-box-under-load.sh [BUILD_FOLDER] [RUNS] [LOAD] [LOOP]
#
# BUILD_FOLDER holds the built program (default: build). RUNS is the number of starts of each of the
# test's two loops (default 50). LOAD is what keeps the machine busy meanwhile:
#   build  a scratch copy of the source compiled again and again with ccache off (the default)
#   spin   one busy loop per core
#   none   nothing beyond what already runs
# LOOP is destroy (the close box after Destroy List) or browser (after Next in the list browser); both
# when not given.
# The load is ended when the test ends, however it ends. The test's own report says how many close
# requests were ignored; its screenshots land in BUILD_FOLDER/e2e-shots/. The test runs with the
# system's Python (/usr/bin/python3), as CTest runs it: the accessibility bindings are a Debian package.
set -euo pipefail

source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$source_dir/build}" && pwd)
runs=${2:-50}
load=${3:-build}
loop=${4:-}
case $loop in ''|destroy|browser) ;; *) echo "close-box-under-load.sh: LOOP is destroy or browser, got '$loop'" >&2; exit 2 ;; esac
case $runs in ''|*[!0-9]*) echo "close-box-under-load.sh: RUNS must be a whole number, got '$runs'" >&2; exit 2 ;; esac
program=$build/src/quokka
[ -x "$program" ] || { echo "close-box-under-load.sh: no program at $program; build first" >&2; exit 2; }

scratch=$(mktemp -d /tmp/quokka-load.XXXXXX)
load_pids=()
stop_load() {
    local pid
    for pid in "${load_pids[@]}"; do
        # Each load runs in a process group of its own: end it and whatever it started.
        kill -TERM -- "-$pid" 2>/dev/null || true
    done
    for pid in "${load_pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$scratch"
}
trap stop_load EXIT

case $load in
build)
    # A copy without the build folders, compiled from scratch in a loop: ccache off so that it really
    # compiles, two jobs as a second build on a two-core machine would.
    (cd "$source_dir" && git ls-files -z | tar --null -T - -cf - | tar -xf - -C "$scratch")
    setsid bash -c '
        cd "$1"
        while :; do
            rm -rf build-load
            CCACHE_DISABLE=1 cmake -S . -B build-load -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null 2>&1 || exit 1
            CCACHE_DISABLE=1 cmake --build build-load --parallel 2 >/dev/null 2>&1 || true
        done' load-build "$scratch" &
    load_pids+=($!)
    ;;
spin)
    for _ in $(seq "$(nproc)"); do
        setsid bash -c 'while :; do :; done' &
        load_pids+=($!)
    done
    ;;
none) ;;
*) echo "close-box-under-load.sh: LOAD is build, spin or none, got '$load'" >&2; exit 2 ;;
esac

echo "load: $load; $runs runs of each loop; load average now: $(cut -d' ' -f1-3 /proc/loadavg)"
status=0
QTWEBENGINE_DISABLE_SANDBOX=1 QUOKKA_SOURCE_DIR="$source_dir" QUOKKA_BUILD_DIR="$build" QUOKKA_CLOSE_BOX_RUNS="$runs" QUOKKA_CLOSE_BOX_LOOP="$loop" \
    /usr/bin/python3 "$source_dir/tests/system/test_close_box.py" "$program" || status=$?
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
exit "$status"
