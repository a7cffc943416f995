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
cpu_ticks() { local sum=0 p; for p in $(tree "$1"); do sum=$((sum + $(awk '{print $14 + $15}' "/proc/$p/stat" 2>/dev/null || echo 0))); done; echo "$sum"; }
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
ticks_per_s="$(getconf CLK_TCK)"
idle_cpu_percent() { # over 10 s, of one core
    local a b
    a=$(cpu_ticks "$1"); sleep 10; b=$(cpu_ticks "$1")
    awk -v d=$((b - a)) -v hz="$ticks_per_s" 'BEGIN {printf "%.1f", 100 * d / hz / 10}'
}

echo "Load when the web benchmarks started: $(cut -d' ' -f1-3 /proc/loadavg)"
echo

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
echo

# 2 and 3. Page load and memory: the list browser's "Next" against the floor loading the same pages.
: > "$work/loads.program"; : > "$work/loads.stopped"; : > "$work/loads.direct"; : > "$work/loads.floor"; : > "$work/pss.program"; : > "$work/pss.floor"; : > "$work/idle.floor"
for _ in $(seq "$runs_web"); do
    for who in program stopped direct floor; do
        rm -rf "$XDG_DATA_HOME"
        if [ "$who" = program ]; then
            start_and_wait '^done' "$prog" pageload "${urls[@]}"
        elif [ "$who" = stopped ] || [ "$who" = direct ]; then
            start_and_wait '^done' "$prog" "pageload-$who" "${urls[@]}"
        else
            start_and_wait '^done' "$floor" "${urls[@]}"
        fi
        case "$who" in program | floor) sleep 3; echo "$(pss_kb "$child_pid") $(procs "$child_pid")" >> "$work/pss.$who" ;; esac
        [ "$who" = floor ] && idle_cpu_percent "$child_pid" >> "$work/idle.floor" && echo >> "$work/idle.floor"
        grep '^load' "$work/out" >> "$work/loads.$who"
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
sc=$(cold stopped); sw=$(warm stopped)
echo "| first page, list browser's 1 ms timer stopped | $sc ms | $fc ms | $(ratio "$sc" "$fc") | (diagnostic) |"
echo "| following pages, list browser's 1 ms timer stopped | $sw ms | $fw ms | $(ratio "$sw" "$fw") | (diagnostic) |"
dc=$(cold direct); dw=$(warm direct)
echo "| first page, timer stopped, address handed straight to the browser (no list or box repaint) | $dc ms | $fc ms | $(ratio "$dc" "$fc") | (diagnostic) |"
echo "| following pages, timer stopped, address handed straight to the browser | $dw ms | $fw ms | $(ratio "$dw" "$fw") | (diagnostic) |"
echo
pp=$(awk '{print $1}' "$work/pss.program" | median); fp=$(awk '{print $1}' "$work/pss.floor" | median)
echo "Memory, PSS of the process and its QtWebEngineProcess children, 3 s after the last page loaded (median of $runs_web runs):"
echo
echo "| | processes | PSS | ratio | target 1.2x |"
echo "|---|---:|---:|---:|---|"
echo "| main window + list browser showing a page | $(awk '{print $2}' "$work/pss.program" | median) | $((pp / 1024)) MiB | $(ratio "$pp" "$fp") | $(verdict "$pp" "$fp") |"
echo "| floor showing the same page | $(awk '{print $2}' "$work/pss.floor" | median) | $((fp / 1024)) MiB | 1.00x | |"
echo

# 4. Idle CPU with the main window, the list browser and one browser window open.
: > "$work/idle.program"; : > "$work/idle.stopped"
timers=""
for _ in $(seq "$runs_web"); do
    for variant in program stopped; do
        rm -rf "$XDG_DATA_HOME"
        if [ "$variant" = program ]; then
            start_and_wait '^ready' "$prog" idle "${urls[0]}"
            timers=$(awk '/^ready/ {print $3}' "$work/out")
        else
            start_and_wait '^ready' "$prog" idle "${urls[0]}" stop
        fi
        idle_cpu_percent "$child_pid" >> "$work/idle.$variant"; echo >> "$work/idle.$variant"
        stop_child
    done
done
ip=$(grep . "$work/idle.program" | median); is=$(grep . "$work/idle.stopped" | median); ifl=$(grep . "$work/idle.floor" | median)
echo "Idle CPU over 10 s, all processes, in % of one core (median of $runs_web runs; the windows show a loopback page):"
echo
echo "| | CPU |"
echo "|---|---:|"
echo "| main window, list browser and one browser window ($timers timers of 1 ms running) | $ip % |"
echo "| the same with the 1 ms timers stopped | $is % |"
echo "| share of the 1 ms timers | $(awk -v a="$ip" -v b="$is" 'BEGIN {printf("%.1f points (%.0f %%)", a - b, (a > 0) ? 100 * (a - b) / a : 0)}') |"
echo "| floor showing the same page | $ifl % |"
echo
echo "Load when the web benchmarks ended: $(cut -d' ' -f1-3 /proc/loadavg)"
