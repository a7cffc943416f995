#!/usr/bin/env bash
# Runs every benchmark of bench/ against a build folder and prints Markdown tables for the README.
set -euo pipefail
build="${1:-$(dirname "$0")/../build}"
echo "Machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2/1048576}' /proc/meminfo), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo
echo "List operations (median of several runs):"
QT_QPA_PLATFORM=offscreen "$build/bench/bench_listfile"
echo
echo "The list filter while typing, 1,000,000 entries:"
QT_QPA_PLATFORM=offscreen "$build/bench/bench_listfilter"
echo
echo "Reading other programs' list files (median of five runs):"
"$build/bench/bench_listformats"
"$build/bench/bench_pagememory"
echo
echo "Importing through the windows (the longest gap in the event loop while the file is read, and while Add runs):"
for shape in bookmarks-100k bookmarks-100k-remembered bookmarks-unclosed-10k bookmarks-li-10k link-200k-brackets markdown-100k-unopened; do
    QT_QPA_PLATFORM=offscreen "$build/bench/bench_importwindow" "$shape" 2>/dev/null | grep '^import'
done
# The web engine's benchmarks, offscreen; as root the engine runs only without its sandbox (for these
# benchmarks, never in the program).
engine_bench() {
    if [ "$(id -u)" -eq 0 ]; then
        QTWEBENGINE_DISABLE_SANDBOX=1 QT_QPA_PLATFORM=offscreen "$build/bench/$1" "$2" 2>/dev/null
    else
        QT_QPA_PLATFORM=offscreen "$build/bench/$1" "$2" 2>/dev/null
    fi
}
echo "Keeping a copy of a page (median of nine runs, the worst stall):"
engine_bench bench_copystore 9
echo
echo "Showing the saved copy when the live page fails (median of nine runs):"
engine_bench bench_copyshown 9
echo
echo "What kept copies take (twenty pages of the kinds people keep, then 1,000 entries):"
engine_bench bench_copysizes 1000
echo
echo "What changed since the last look (the hidden-answer set, bytes per look, What Changed on 1 MB):"
QT_QPA_PLATFORM=offscreen "$build/bench/bench_changes" 2>/dev/null
echo
echo "The gallery of 10,000 entries with pictures, and the grouping on its answer set:"
engine_bench bench_gallery 10000
for script in "$(dirname "$0")"/bench_*.sh; do
    [ -e "$script" ] || continue
    echo
    bash "$script" "$build"
done
