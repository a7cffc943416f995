#!/usr/bin/env bash
# Start-up, page load, memory and idle CPU of the program beside a bare web view (the floor),
# measured on this machine in one run under a virtual X display; prints Markdown tables.
#   bash bench/bench_webengine.sh BUILD_FOLDER
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$here/build}" && pwd)"
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$build"
fi
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
export QT_QPA_PLATFORM=xcb
prog="$build/bench/bench_webengine"
floor="$build/bench/floor/webview_floor"
runs_startup="${QUOKKA_BENCH_STARTUP_RUNS:-5}"
runs_web="${QUOKKA_BENCH_WEB_RUNS:-5}"
pages=5

work="$(mktemp -d)"
server_pid=""
child_pid=""
cleanup() {
    [ -n "$child_pid" ] && kill "$child_pid" 2>/dev/null || true
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
cd "$here"   # the shipped files (dat/, download.avi) are found in the working directory

# Loopback pages: a title, headings, some text and a style sheet, about 30 KB each.
mkdir -p "$work/www"
for i in $(seq 1 $pages); do
    {
        echo "<!doctype html><html><head><meta charset=utf-8><title>Page $i</title>"
        echo "<style>body{font-family:sans-serif;margin:2em;max-width:60em}h2{color:#335}p{line-height:1.4}</style></head><body>"
        echo "<h1>Loopback page $i</h1>"
        for s in $(seq 1 40); do
            echo "<h2>Section $s</h2><p>Quokkas are small marsupials of south-western Australia. Paragraph $s of page $i, written to give the engine some text to lay out and paint.</p><ul><li>one</li><li>two</li><li>three</li></ul>"
        done
        echo "</body></html>"
    } > "$work/www/page$i.html"
done
/usr/bin/python3 - "$work/www" > "$work/server.out" 2>/dev/null <<'PY' &
import functools, http.server, sys
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=sys.argv[1])
handler.log_message = lambda *a: None
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
print(server.server_address[1], flush=True)
server.serve_forever()
PY
server_pid=$!
for _ in $(seq 50); do [ -s "$work/server.out" ] && break; sleep 0.1; done
port="$(head -1 "$work/server.out")"
urls=()
for i in $(seq 1 $pages); do urls+=("http://127.0.0.1:$port/page$i.html"); done

median() { sort -g | awk '{v[NR]=$1} END {if (NR==0) print "n/a"; else if (NR%2) print v[(NR+1)/2]; else print (v[NR/2]+v[NR/2+1])/2}'; }
# Every process of the tree under $1 (the program and its QtWebEngineProcess children).
tree() { ps -e -o pid=,ppid= | awk -v root="$1" '{p[$1]=$2} END {n=1; t[root]=1; do {c=0; for (x in p) if (!(x in t) && (p[x] in t)) {t[x]=1; c=1}} while (c); for (x in t) print x}'; }
pss_kb() { local sum=0 p v; for p in $(tree "$1"); do v=$(awk '/^Pss:/ {print $2}' "/proc/$p/smaps_rollup" 2>/dev/null || echo 0); sum=$((sum + ${v:-0})); done; echo "$sum"; }
# Per thread of every process of the tree: "kind PID TID cpu_ns runs" from schedstat, whose first field
# (CPU time in ns) is precise, unlike the 10 ms ticks of /proc/PID/stat, and whose third counts the
# times the thread was put on a CPU: each wake-up is one. kind is "main" for the main process's threads.
thread_stats() { local p f; for p in $(tree "$1"); do for f in /proc/"$p"/task/*/schedstat; do
    [ -r "$f" ] || continue
    local t="${f%/schedstat}"; t="${t##*/}"
    echo "$([ "$p" = "$1" ] && echo main || echo child) $p $t $(cat "$f" 2>/dev/null)"
done; done; }
procs() { tree "$1" | wc -l; }
# Starts a program with its output in $work/out and waits up to 60 s for a line matching $1.
start_and_wait() {
    local pattern="$1"; shift
    : > "$work/out"
    "$@" > "$work/out" 2> "$work/err" &
    child_pid=$!
    for _ in $(seq 600); do
        grep -q "$pattern" "$work/out" && return 0
        kill -0 "$child_pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "benchmark program did not report '$pattern': $*" >&2
    tail -5 "$work/err" >&2
    return 1
}
stop_child() { kill "$child_pid" 2>/dev/null || true; wait "$child_pid" 2>/dev/null || true; child_pid=""; sleep 1; }
echo "Load when the web benchmarks started: $(cut -d' ' -f1-3 /proc/loadavg)"
echo

# QUOKKA_BENCH_ONLY=idle runs the idle measurements alone.
only="${QUOKKA_BENCH_ONLY:-all}"
if [ "$only" = all ]; then
# 1. Start-up. From outside: a watcher on the X display starts the real program (and the floor) and
# timestamps the map of its first window; in process: the bench program runs the real start-up and
# timestamps each step, the fifth change of the splash clock and the main window's first exposure.
cat > "$work/mapwatch.py" <<'PY'
import select, subprocess, sys, time
from Xlib import X, display
want = sys.argv[1]          # the title of the window to wait for; "" for any window
d = display.Display()
d.screen().root.change_attributes(event_mask=X.SubstructureNotifyMask)
d.sync()
start = time.monotonic()
proc = subprocess.Popen(sys.argv[2:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
result = None
while result is None and time.monotonic() - start < 60:
    if not d.pending_events():
        select.select([d.fileno()], [], [], 1)
    while d.pending_events():
        ev = d.next_event()
        if ev.type != X.MapNotify:
            continue
        try:
            name = ev.window.get_wm_name() or ""
        except Exception:
            continue
        if want == "" or name == want:
            result = (time.monotonic() - start) * 1000
            break
proc.terminate()
proc.wait()
print("%.2f" % result if result is not None else "n/a")
PY
: > "$work/startup"; : > "$work/map.program"; : > "$work/map.floor"
for _ in $(seq "$runs_startup"); do
    rm -rf "$XDG_DATA_HOME"
    /usr/bin/python3 "$work/mapwatch.py" "Quokka is starting" "$build/src/quokka" >> "$work/map.program"
    rm -rf "$XDG_DATA_HOME"
    /usr/bin/python3 "$work/mapwatch.py" "" "$floor" >> "$work/map.floor"
    rm -rf "$XDG_DATA_HOME"
    sleep 1
    start=$(date +%s%N)
    "$build/bench/bench_startup" "$start" >> "$work/startup" 2> "$work/err" || { tail -5 "$work/err" >&2; exit 1; }
    sleep 1   # let the web engine processes of a killed run end before the next one starts
done
col() { awk -v c="$1" '{print $c}' "$work/startup" | median; }
splash=$(median < "$work/map.program")
met() { awk -v v="$1" 'BEGIN {print (v <= 200) ? "met" : "missed"}'; }
echo "Start-up (median of $runs_startup runs):"
echo
echo "| measurement | program | floor (bare QWebEngineView) | target |"
echo "|---|---:|---:|---|"
echo "| process start to first window mapped on the X display (real program: the splash) | $splash ms | $(median < "$work/map.floor") ms | splash within 200 ms: $(met "$splash") |"
echo "| in process: process start to main() | $(col 9) ms | | |"
echo "| in process: to application and platform made | $(col 11) ms | | |"
echo "| in process: to start-up routine done (splash asked to show) | $(col 13) ms | | |"
echo "| in process: to splash shown (first exposure) | $(col 3) ms | | $(met "$(col 3)") |"
echo "| in process: fifth clock change to main window shown (first exposure) | $(col 5) ms | | |"
echo "| in process: splash shown to its hand-over (fifth clock change) | $(col 15) ms | | 3 to 4 s |"
echo

# 2 and 3. Page load and memory: the list browser's "Next" against the floor loading the same pages.
: > "$work/loads.program"; : > "$work/loads.direct"; : > "$work/loads.paints"; : > "$work/loads.floor"
: > "$work/pss.program"; : > "$work/pss.floor"; : > "$work/paints"
for _ in $(seq "$runs_web"); do
    for who in program direct paints floor; do
        rm -rf "$XDG_DATA_HOME"
        if [ "$who" = program ]; then
            start_and_wait '^done' "$prog" pageload "${urls[@]}"
        elif [ "$who" = floor ]; then
            start_and_wait '^done' "$floor" "${urls[@]}"
        else
            start_and_wait '^done' "$prog" "pageload-$who" "${urls[@]}"
        fi
        case "$who" in program | floor) sleep 3; echo "$(pss_kb "$child_pid") $(procs "$child_pid")" >> "$work/pss.$who" ;; esac
        grep '^load' "$work/out" >> "$work/loads.$who"
        [ "$who" = paints ] && grep '^paints' "$work/out" >> "$work/paints"
        stop_child
    done
done
cold() { awk '$2 == 1 {print $3}' "$work/loads.$1" | median; }
warm() { awk '$2 > 1 {print $3}' "$work/loads.$1" | median; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2fx", a / b}'; }
verdict() { awk -v a="$1" -v b="$2" 'BEGIN {print (a <= 1.2 * b) ? "met" : "missed"}'; }
pc=$(cold program); pw=$(warm program); fc=$(cold floor); fw=$(warm floor)
echo "Page load, from \"Next\" to loadFinished on a ~30 KB loopback page (median of $runs_web runs of $pages pages; the first load of a process also starts the page's render process):"
echo
echo "| load | list browser | floor (bare QWebEngineView) | ratio | target 1.2x |"
echo "|---|---:|---:|---:|---|"
echo "| first page | $pc ms | $fc ms | $(ratio "$pc" "$fc") | $(verdict "$pc" "$fc") |"
echo "| following pages | $pw ms | $fw ms | $(ratio "$pw" "$fw") | $(verdict "$pw" "$fw") |"
dc=$(cold direct); dw=$(warm direct)
echo "| first page, address handed straight to the browser (no list or box repaint) | $dc ms | $fc ms | $(ratio "$dc" "$fc") | (diagnostic) |"
echo "| following pages, address handed straight to the browser | $dw ms | $fw ms | $(ratio "$dw" "$fw") | (diagnostic) |"
qw=$(warm paints)
echo "| following pages, with every paint event counted (diagnostic run) | $qw ms | $fw ms | $(ratio "$qw" "$fw") | (diagnostic) |"
echo
echo "Paint events per following page, from \"Next\" to loadFinished, by widget (median of $runs_web runs; QEvent::Paint counted by an application event filter):"
echo
echo "| widget (class/object name) | paints per load |"
echo "|---|---:|"
awk '{n = $3; for (i = 4; i <= NF; i++) n = n " " $i; print n "\t" $2}' "$work/paints" | sort -t"$(printf '\t')" -k1,1 |
    awk -F'\t' '{v[$1] = v[$1] " " $2} END {for (k in v) print k "\t" v[k]}' | sort |
    while IFS="$(printf '\t')" read -r name values; do
        echo "| $name | $(echo $values | tr ' ' '\n' | median) |"
    done
echo
pp=$(awk '{print $1}' "$work/pss.program" | median); fp=$(awk '{print $1}' "$work/pss.floor" | median)
echo "Memory, PSS of the process and its QtWebEngineProcess children, 3 s after the last page loaded (median of $runs_web runs):"
echo
echo "| | processes | PSS | ratio | target 1.2x |"
echo "|---|---:|---:|---:|---|"
echo "| main window + list browser showing a page | $(awk '{print $2}' "$work/pss.program" | median) | $((pp / 1024)) MiB | $(ratio "$pp" "$fp") | $(verdict "$pp" "$fp") |"
echo "| floor showing the same page | $(awk '{print $2}' "$work/pss.floor" | median) | $((fp / 1024)) MiB | 1.00x | |"
echo

fi # parts 1 to 3

# 4. Idle CPU and wake-ups: each configuration is started, left to settle, then measured over
# $idle_s seconds: CPU time of every thread of every process of the tree, and the wake-ups of the
# main process (its GUI thread alone, and all its threads, Chromium's own included).
idle_s="${QUOKKA_BENCH_IDLE_SECONDS:-30}"
measure_idle() { # PID -> "cpu_percent gui_wakeups_per_s all_wakeups_per_s"
    # Differences per thread: a thread that ends during the interval drops out instead of making a
    # sum over the living threads go down; one that starts counts from zero.
    thread_stats "$1" > "$work/threads.before"
    sleep "$idle_s"
    thread_stats "$1" > "$work/threads.after"
    awk -v s="$idle_s" -v gui="$1" '
        NR == FNR {cpu[$3] = $4; runs[$3] = $6; next}
        {dc = $4 - cpu[$3]; dr = $6 - runs[$3]; c += dc
         if ($1 == "main") a += dr
         if ($3 == gui) g += dr}
        END {printf "%.3f %.1f %.1f\n", 100 * c / 1e9 / s, g / s, a / s}' "$work/threads.before" "$work/threads.after"
}
configs="floor floor-page main list bw1 bw4 bw8 bw1-page playing"
for c in $configs; do : > "$work/idle.$c"; done
echo "Load when the idle measurements started: $(cut -d' ' -f1-3 /proc/loadavg)" > "$work/idle.load"
for _ in $(seq "$runs_web"); do
    for c in $configs; do
        rm -rf "$XDG_DATA_HOME"
        case "$c" in
        floor) start_and_wait '^done' "$floor" about:blank; sleep 3 ;;
        floor-page) start_and_wait '^done' "$floor" "${urls[0]}"; sleep 3 ;;
        main) start_and_wait '^ready' "$prog" idle-main ;;
        list) start_and_wait '^ready' "$prog" idle about:blank 0 ;;
        bw1) start_and_wait '^ready' "$prog" idle about:blank 1 ;;
        bw4) start_and_wait '^ready' "$prog" idle about:blank 4 ;;
        bw8) start_and_wait '^ready' "$prog" idle about:blank 8 ;;
        bw1-page) start_and_wait '^ready' "$prog" idle "${urls[0]}" 1 ;;
        playing) start_and_wait '^ready' "$prog" idle-playing "${urls[0]}" ;;
        esac
        measure_idle "$child_pid" >> "$work/idle.$c"
        stop_child
    done
done
echo "Load when the idle measurements ended: $(cut -d' ' -f1-3 /proc/loadavg)" >> "$work/idle.load"
field() { awk -v f="$2" '{print $f}' "$work/idle.$1" | median; }
fl=$(field floor 1)
target=$(awk -v f="$fl" 'BEGIN {t = 1.5 * f; if (t < 0.3) t = 0.3; printf "%.2f", t}')
cpu_verdict() { awk -v v="$1" -v t="$target" 'BEGIN {print (v < t) ? "met" : "missed"}'; }
wake_verdict() { awk -v v="$1" 'BEGIN {print (v < 50) ? "met" : "missed"}'; }
echo "Idle CPU and wake-ups over $idle_s s (median of $runs_web runs). CPU: every thread of every process (the program and its QtWebEngineProcess children), in % of one core. Wake-ups: times the main process's threads were put on a CPU, per second (/proc/PID/task/*/schedstat). The views show about:blank unless the row says otherwise:"
echo
echo "| windows open | Quokka CPU | floor CPU | CPU target (< max(0.3 %, 1.5x floor)) | wake-ups/s, GUI thread | wake-ups/s, all threads | floor wake-ups/s (GUI / all) | wake-up target < 50/s |"
echo "|---|---:|---:|---|---:|---:|---:|---|"
fw_gui=$(field floor 2); fw_all=$(field floor 3)
row() { # label config
    local cpu gui all
    cpu=$(field "$2" 1); gui=$(field "$2" 2); all=$(field "$2" 3)
    echo "| $1 | $cpu % | $fl % | < $target %: $(cpu_verdict "$cpu") | $gui | $all | $fw_gui / $fw_all | GUI thread: $(wake_verdict "$gui"); all: $(wake_verdict "$all") |"
}
row "main window alone (after the splash)" main
row "main window + list browser" list
row "main window + list browser + 1 browser window" bw1
row "main window + list browser + 4 browser windows" bw4
row "main window + list browser + 8 browser windows" bw8
echo
b1=$(field bw1 1); b4=$(field bw4 1); b8=$(field bw8 1); ls_=$(field list 1)
growth() { awk -v a="$1" -v b="$2" -v n="$3" 'BEGIN {g = (b - a) / n; printf "%.3f points (%s)", g, (g < 0.1) ? "met" : "missed"}'; }
echo "| growth per extra browser window (target < 0.1 point) | |"
echo "|---|---:|"
echo "| list browser alone to 1 browser window | $(growth "$ls_" "$b1" 1) |"
echo "| 1 to 4 browser windows | $(growth "$b1" "$b4" 3) |"
echo "| 1 to 8 browser windows | $(growth "$b1" "$b8" 7) |"
echo
echo "With a loopback page showing instead of about:blank (the page of the page-load rows):"
echo
echo "| | CPU | wake-ups/s, GUI thread | wake-ups/s, all threads |"
echo "|---|---:|---:|---:|"
echo "| main window + list browser + 1 browser window, both showing the page | $(field bw1-page 1) % | $(field bw1-page 2) | $(field bw1-page 3) |"
echo "| floor showing the same page | $(field floor-page 1) % | $(field floor-page 2) | $(field floor-page 3) |"
echo "| main window + list browser playing, between pages (the page loaded, its delay running, the countdown shown) | $(field playing 1) % | $(field playing 2) | $(field playing 3) |"
echo
cat "$work/idle.load"
echo "Load when the web benchmarks ended: $(cut -d' ' -f1-3 /proc/loadavg)"
