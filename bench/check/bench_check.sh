#!/usr/bin/env bash
# The list checker beside its peers, in one run, on the same generated lists served by nginx from
# loopback ports: quokka-check (fast pass alone, and whole), curl --parallel (the floor: no logic),
# linkchecker (Debian) and check-links (npm) under p-map. Installs the peers it lacks (as root, with
# apt-get and npm); nothing here is part of the tests.
# usage: bench_check.sh BUILD_FOLDER [SIZES...]   (sizes default to 1000 10000)
# QUOKKA_BENCH_PEERS=0 leaves out check-links and linkchecker (and installing them).
set -euo pipefail
build="$(cd "${1:-$(dirname "$0")/../../build}" && pwd)"
shift || true
sizes=("${@:-1000 10000}")
[ $# -eq 0 ] && sizes=(1000 10000)
here="$(cd "$(dirname "$0")" && pwd)"
hosts=50
port=18400
concurrency=64
perhost=4
work="$(mktemp -d /tmp/quokka-bench-check.XXXXXX)"
chmod 755 "$work"
trap '[ -f "$work/nginx.pid" ] && kill "$(cat "$work/nginx.pid")" 2>/dev/null; rm -rf "$work"' EXIT

peers="${QUOKKA_BENCH_PEERS:-1}"
need=()
[ -x /usr/sbin/nginx ] || need+=(nginx-light)
if [ "$peers" != 0 ]; then
    command -v linkchecker >/dev/null || need+=(linkchecker)
    command -v npm >/dev/null || need+=(npm)
fi
if [ ${#need[@]} -gt 0 ]; then
    echo "installing ${need[*]}" >&2
    apt-get install -y -q "${need[@]}" >&2
fi
npmdir="$build/bench-check-npm"
if [ "$peers" != 0 ] && [ ! -d "$npmdir/node_modules/check-links" ]; then
    mkdir -p "$npmdir"
    (cd "$npmdir" && npm install --silent --no-audit --no-fund check-links p-map >&2)
fi
[ "$peers" = 0 ] || cp "$here/checklinks.mjs" "$npmdir/"

python3 "$here/make_lists.py" "$work" "$port" "$hosts" "${sizes[@]}"
/usr/sbin/nginx -c "$work/nginx.conf" -p "$work"
sleep 0.5

export QTWEBENGINE_DISABLE_SANDBOX=1 QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu"
seconds() { python3 -c 'import time; print(f"{time.monotonic():.3f}")'; }
row() { # name size start end scorefile
    python3 - "$@" <<'PY'
import sys
name, n, start, end, score = sys.argv[1:6]
checked, wrong = open(score).read().split()[:2]
wall = float(end) - float(start)
print(f"| {name} | {int(n):,} | {wall:.2f} s | {int(n) / wall:,.0f} | {wrong} |")
PY
}

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| Checker | Entries | Wall time | Checks/s | Wrong verdicts |"
echo "|---|---:|---:|---:|---:|"
for n in "${sizes[@]}"; do
    list="$work/list-$n.dat"; truth="$work/truth-$n.tsv"
    s=$(seconds); "$build/src/quokka-check" --no-browser --format json --concurrency $concurrency --per-host $perhost "$list" >"$work/q-fast.json" 2>"$work/q-fast-$n.err" || true; e=$(seconds)
    python3 "$here/score.py" quokka "$work/q-fast.json" "$truth" >"$work/score"
    row "quokka-check --no-browser" "$n" "$s" "$e" "$work/score"
    s=$(seconds); "$build/src/quokka-check" --format json --concurrency $concurrency --per-host $perhost --pages 8 "$list" >"$work/q.json" 2>"$work/q-$n.err" || true; e=$(seconds)
    python3 "$here/score.py" quokka "$work/q.json" "$truth" >"$work/score"
    row "quokka-check (engine confirms)" "$n" "$s" "$e" "$work/score"
    sed 's/.*/url = "&"\noutput = "\/dev\/null"/' "$work/urls-$n.txt" >"$work/curl.cfg"
    s=$(seconds); curl --parallel --parallel-max $concurrency -s --no-progress-meter -K "$work/curl.cfg" -w '%{url_effective}\t%{http_code}\n' >"$work/curl.tsv" || true; e=$(seconds)
    python3 "$here/score.py" curl "$work/curl.tsv" "$truth" >"$work/score"
    row "curl --parallel (floor, no logic)" "$n" "$s" "$e" "$work/score"
    [ "$peers" = 0 ] && continue
    s=$(seconds); (cd "$npmdir" && node checklinks.mjs "$work/urls-$n.txt" $concurrency >"$work/cl.tsv" 2>/dev/null) || true; e=$(seconds)
    python3 "$here/score.py" checklinks "$work/cl.tsv" "$truth" >"$work/score"
    row "check-links (npm) under p-map" "$n" "$s" "$e" "$work/score"
    if [ "$n" -le 1000 ] || [ -n "${QUOKKA_BENCH_LINKCHECKER_ALL:-}" ]; then
        s=$(seconds); (cd "$work" && linkchecker --verbose --no-status --check-extern -r 1 -t $concurrency -o csv "links-$n.html" >lc.csv 2>/dev/null) || true; e=$(seconds)
        python3 "$here/score.py" linkchecker "$work/lc.csv" "$truth" >"$work/score"
        row "linkchecker (Debian)" "$n" "$s" "$e" "$work/score"
    fi
done
echo
echo "Extra requests for soft 404s: each host that answers 2xx is asked one made-up address beside its first entry, and its home page when that answers with a page."
echo
echo "| quokka-check | Entries | Hosts | Made-up addresses asked |"
echo "|---|---:|---:|---:|"
for n in "${sizes[@]}"; do
    for run in q-fast q; do
        asked=$(sed -n 's/^made-up addresses asked: //p' "$work/$run-$n.err")
        name="quokka-check --no-browser"; [ "$run" = q ] && name="quokka-check (engine confirms)"
        echo "| $name | $(python3 -c "print(f'{$n:,}')") | $hosts | ${asked:-?} |"
    done
done
echo
echo "The same lists through the windows (List > Check List, defaults: 4 per host, 4 engine pages):"
echo
echo "| Entries | Wall time | Longest gap in the event loop | UI thread busy at most | Program memory growth (end, peak) | Page processes' growth (end, peak) |"
echo "|---:|---:|---:|---:|---:|---:|"
for n in "${sizes[@]}"; do
    QT_QPA_PLATFORM=offscreen "$build/bench/bench_checkwindow" "$work/list-$n.dat" 2>/dev/null >"$work/window.txt" || true
    python3 - "$work/window.txt" <<'PY'
import sys
for line in open(sys.argv[1]):
    f = line.split()
    if f and f[0] == "check_window":
        v = dict(zip(f[1::2], f[2::2]))
        print(f"| {int(v['entries']):,} | {float(v['wall_s']):.1f} s | {v['longest_stall_ms']} ms | {v['longest_busy_ms']} ms "
              f"| {v['own_growth_mib']}, {v['own_peak_growth_mib']} MiB | {v['pages_growth_mib']}, {v['pages_peak_growth_mib']} MiB |")
PY
done
echo
echo "Load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
