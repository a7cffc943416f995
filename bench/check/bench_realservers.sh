#!/usr/bin/env bash
# The list checker on real server software, beside check-links and curl: httpbin under gunicorn
# (Debian's python3-httpbin: status pages 200 to 504 with /status/429 and /status/503 among them,
# redirects, delays, logins, cookies, encodings) and nginx (a small site with redirects, 404, 410, 500,
# 503, a cookie wall and pages in other encodings; a site behind limit_req, 5 requests a second with a
# burst of 5, status 429; a members' area behind auth_basic), one list of 159 addresses over them with
# the verdict each deserves (bench/check/make_realservers.py). Each checker is timed on the same list
# and its wrong verdicts counted; curl --parallel is the floor (no logic, status codes read naively).
# Installs what it lacks (as root, with apt-get and npm); nothing here is part of the tests.
# usage: bench_realservers.sh BUILD_FOLDER [RUNS]   (RUNS of each checker, default 3; the median is shown)
set -euo pipefail
build="$(cd "${1:-$(dirname "$0")/../../build}" && pwd)"
runs="${2:-3}"
here="$(cd "$(dirname "$0")" && pwd)"
concurrency=64
work="$(mktemp -d /tmp/quokka-bench-realservers.XXXXXX)"
chmod 755 "$work"
cleanup() {
    [ -f "$work/nginx.pid" ] && kill "$(cat "$work/nginx.pid")" 2>/dev/null
    [ -f "$work/gunicorn.pid" ] && kill "$(cat "$work/gunicorn.pid")" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

need=()
[ -x /usr/sbin/nginx ] || need+=(nginx-light)
/usr/bin/python3 -c 'import httpbin' 2>/dev/null || need+=(python3-httpbin)
command -v gunicorn >/dev/null || need+=(gunicorn)
command -v npm >/dev/null || need+=(npm)
command -v curl >/dev/null || need+=(curl)
if [ ${#need[@]} -gt 0 ]; then
    echo "installing ${need[*]}" >&2
    apt-get install -y -q "${need[@]}" >&2
fi
npmdir="$build/bench-check-npm"
if [ ! -d "$npmdir/node_modules/check-links" ]; then
    mkdir -p "$npmdir"
    (cd "$npmdir" && npm install --silent --no-audit --no-fund check-links p-map >&2)
fi
cp "$here/checklinks.mjs" "$npmdir/"

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
httpbin=$(free_port); site=$(free_port); limited=$(free_port); members=$(free_port)
read -r entries unlimited floor < <(python3 "$here/make_realservers.py" "$work" "$httpbin" "$site" "$limited" "$members")
/usr/sbin/nginx -c "$work/nginx.conf" -p "$work"
# As the tests start it (tests/fakes/serversoftware.cpp): threads enough for the /delay pages.
gunicorn --bind "127.0.0.1:$httpbin" --worker-class gthread --threads 8 --pid "$work/gunicorn.pid" \
    --access-logfile "$work/httpbin-access.log" httpbin:app >"$work/gunicorn.out" 2>&1 &
for _ in $(seq 100); do
    curl -s -o /dev/null "http://127.0.0.1:$httpbin/get" && curl -s -o /dev/null "http://127.0.0.1:$site/" && break
    sleep 0.2
done

export QTWEBENGINE_DISABLE_SANDBOX=1 QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu" XDG_DATA_HOME="$work/data"
seconds() { python3 -c 'import time; print(f"{time.monotonic():.3f}")'; }
# The rate-limited site forgets its excess at its rate: each run starts with a full bucket.
settle() { sleep 2; }

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "List: $entries addresses (httpbin $(grep -c ":$httpbin/" "$work/urls.txt"), nginx $(grep -vc ":$httpbin/" "$work/urls.txt")); $runs runs each, the median shown."
echo "The rate-limited site allows its 25 pages in $floor s at best (the pages past its burst, at its rate)."
run_checker() { # name kind list-suffix command...
    local name="$1" kind="$2" suffix="$3"
    shift 3
    local times=() wrong="" slowed=()
    for ((r = 0; r < runs; r++)); do
        settle
        local s e
        s=$(seconds)
        "$@" >"$work/out" 2>"$work/err" || true
        e=$(seconds)
        times+=("$(python3 -c "print(f'{$e - $s:.2f}')")")
        read -r _ w _ < <(python3 "$here/score.py" "$kind" "$work/out" "$work/truth$suffix.tsv")
        wrong="${wrong:+$wrong, }$w"
        local n
        n=$(sed -n 's/^requests slowed for hosts that turn requests away: //p' "$work/err")
        [ -n "$n" ] && slowed+=("$n")
    done
    local slowedText count
    slowedText=$(IFS=,; echo "${slowed[*]:-}" | sed 's/,/, /g')
    count=$(wc -l <"$work/urls$suffix.txt")
    python3 - "$name" "$count" "$wrong" "$slowedText" "${times[@]}" <<'PY'
import statistics, sys
name, n, wrong, slowed, *times = sys.argv[1:]
times = [float(t) for t in times]
shown = ", ".join(f"{t:.1f}" for t in times)
print(f"| {name} | {int(n):,} | {statistics.median(times):.2f} s | {shown} s | {wrong} | {slowed or '-'} |")
PY
}
q="$build/src/quokka-check"
for suffix in "" -unlimited; do
    echo
    [ -z "$suffix" ] && echo "The whole list:" || echo "Without the rate-limited site:"
    echo
    echo "| Checker | Entries | Wall time (median) | Runs | Wrong verdicts | Requests slowed |"
    echo "|---|---:|---:|---|---:|---:|"
    run_checker "quokka-check --no-browser" quokka "$suffix" "$q" --no-browser --format json --concurrency $concurrency "$work/list$suffix.dat"
    run_checker "quokka-check (engine confirms)" quokka "$suffix" "$q" --format json --concurrency $concurrency "$work/list$suffix.dat"
    sed 's/.*/url = "&"\noutput = "\/dev\/null"/' "$work/urls$suffix.txt" >"$work/curl.cfg"
    run_checker "curl --parallel (floor, no logic)" curl "$suffix" \
        curl --parallel --parallel-max $concurrency -s --no-progress-meter -K "$work/curl.cfg" -w '%{url_effective}\t%{http_code}\n'
    run_checker "check-links (npm) under p-map" checklinks "$suffix" \
        bash -c "cd '$npmdir' && node checklinks.mjs '$work/urls$suffix.txt' $concurrency"
done
echo
echo "Wrong verdicts are counted against make_realservers.py's truth; check-links and curl only tell"
echo "alive from dead (curl: by the status alone), so they are wrong on moved, blocked and failing entries."
echo "Load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
