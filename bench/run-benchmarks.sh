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
for shape in bookmarks-100k bookmarks-unclosed-10k bookmarks-li-10k link-200k-brackets markdown-100k-unopened; do
    QT_QPA_PLATFORM=offscreen "$build/bench/bench_importwindow" "$shape" 2>/dev/null | grep '^import'
done
echo "Keeping a copy of a page (median of nine runs, the worst stall):"
# As root the web engine runs only without its sandbox (for this benchmark, never in the program).
if [ "$(id -u)" -eq 0 ]; then
    QTWEBENGINE_DISABLE_SANDBOX=1 QT_QPA_PLATFORM=offscreen "$build/bench/bench_copystore" 9 2>/dev/null
else
    QT_QPA_PLATFORM=offscreen "$build/bench/bench_copystore" 9 2>/dev/null
fi
echo
echo "The gallery of 10,000 entries with pictures, and the grouping on its answer set:"
if [ "$(id -u)" -eq 0 ]; then
    QTWEBENGINE_DISABLE_SANDBOX=1 QT_QPA_PLATFORM=offscreen "$build/bench/bench_gallery" 10000 2>/dev/null
else
    QT_QPA_PLATFORM=offscreen "$build/bench/bench_gallery" 10000 2>/dev/null
fi
for script in "$(dirname "$0")"/bench_*.sh; do
    [ -e "$script" ] || continue
    echo
    bash "$script" "$build"
done
