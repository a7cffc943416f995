#!/usr/bin/env bash
# The list checker on one rate-limited host: nginx on loopback with limit_req (2 requests a second, a
# burst of 4, status 429), without and with Retry-After on its refusals, N live pages. Each run is timed
# against the floor the limit allows (N / rate) and counts the requests the host refused. Nothing here
# is part of the tests.
# usage: bench_ratelimit.sh BUILD_FOLDER [SIZES...]   (sizes default to 30 300)
set -euo pipefail
build="$(cd "${1:-$(dirname "$0")/../../build}" && pwd)"
shift || true
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(30 300)
rate=2
burst=4
work="$(mktemp -d /tmp/quokka-bench-ratelimit.XXXXXX)"
chmod 755 "$work"
trap '[ -f "$work/nginx.pid" ] && kill "$(cat "$work/nginx.pid")" 2>/dev/null; rm -rf "$work"' EXIT
[ -x /usr/sbin/nginx ] || { echo "installing nginx-light" >&2; apt-get install -y -q nginx-light >&2; }
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
plain=$(free_port)
told=$(free_port)
mkdir -p "$work/www" "$work/tmp"
biggest=0
for n in "${sizes[@]}"; do [ "$n" -gt "$biggest" ] && biggest=$n; done
for ((i = 0; i < biggest; i++)); do echo "<!doctype html><title>page $i</title>" >"$work/www/p$i.html"; done
chmod -R a+rX "$work/www"
cat >"$work/nginx.conf" <<CONF
worker_processes 1;
pid $work/nginx.pid;
error_log $work/error.log;
events { worker_connections 256; }
http {
    log_format pace '\$msec \$server_port \$status';
    access_log $work/access.log pace;
    client_body_temp_path $work/tmp;
    proxy_temp_path $work/tmp;
    fastcgi_temp_path $work/tmp;
    uwsgi_temp_path $work/tmp;
    scgi_temp_path $work/tmp;
    default_type text/html;
    limit_req_zone \$server_port zone=hosts:1m rate=${rate}r/s;
    limit_req_status 429;
    server {
        listen 127.0.0.1:$plain;
        root $work/www;
        location / { limit_req zone=hosts burst=$burst nodelay; }
    }
    server {
        listen 127.0.0.1:$told;
        root $work/www;
        location / { limit_req zone=hosts burst=$burst nodelay; }
        error_page 429 @told;
        location @told { add_header Retry-After 2 always; return 429; }
    }
}
CONF
/usr/sbin/nginx -c "$work/nginx.conf" -p "$work"
sleep 0.5
export QTWEBENGINE_DISABLE_SANDBOX=1 QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu" XDG_DATA_HOME="$work/data"
seconds() { python3 -c 'import time; print(f"{time.monotonic():.3f}")'; }

echo "Machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| Host | Pages | Checker | Wall time | Floor (N / rate) | Over the floor | Requests | Refused | Not alive |"
echo "|---|---:|---|---:|---:|---:|---:|---:|---:|"
for n in "${sizes[@]}"; do
    for port in "$plain" "$told"; do
        kind="no Retry-After"; [ "$port" = "$told" ] && kind="Retry-After: 2"
        for mode in --no-browser ""; do
            list="$work/list.dat"
            for ((i = 0; i < n; i++)); do printf "http://127.0.0.1:%s/p%s.html\r\n" "$port" "$i"; done >"$list"
            sleep $((burst / rate + 1)) # the host's bucket empties between runs
            before=$(wc -l <"$work/access.log" 2>/dev/null || echo 0)
            s=$(seconds)
            "$build/src/quokka-check" --format json $mode "$list" >"$work/out.json" 2>/dev/null || true
            e=$(seconds)
            python3 - "$kind" "$n" "${mode:-engine confirms}" "$s" "$e" "$rate" "$work/out.json" "$work/access.log" "$before" "$port" <<'PY'
import json, sys
kind, n, mode, s, e, rate, out, log, before, port = sys.argv[1:11]
n, wall, rate = int(n), float(e) - float(s), float(rate)
lines = [l.split() for l in open(log).read().splitlines()[int(before):]]
lines = [l for l in lines if l[1] == port]
refused = sum(1 for l in lines if l[2] == "429")
results = [json.loads(l) for l in open(out) if l.strip()]
bad = sum(1 for r in results if r["verdict"] != "alive") + (n - len(results))
floor = n / rate
print(f"| {kind} | {n:,} | quokka-check {mode} | {wall:.1f} s | {floor:.1f} s | {wall / floor:.2f}x | {len(lines)} | {refused} | {bad} |")
PY
        done
    done
done
echo
echo "Load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
