#!/usr/bin/env python3
"""quokka-check against a real rate limit: nginx on loopback with limit_req (2 requests a second, a
burst of 4, status 429), once without and once with Retry-After on its refusals, 30 live pages on
one host each. Every page must come out alive, with the plain requests alone and with the engine, and
nginx's access log must show the checker kept to the host's pace: few refusals, and no request while a
wait the host asked for was running.

usage: test_check_rate_limit.py QUOKKA_PROGRAM   (quokka-check is found in QUOKKA_BUILD_DIR/src)
"""
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

PAGES = 30
RATE = 2
BURST = 4
RETRY_AFTER = 2
# Requests already on their way when the refusal came back may still arrive this long after it.
IN_FLIGHT_S = 0.5
# A checker that keeps to the pace is refused while it learns the pace and now and then when it
# tries a little faster; one that does not is refused for most of its requests.
MOST_REFUSALS = 12


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def nginx_conf(work, plain_port, told_port):
    return f"""worker_processes 1;
pid {work}/nginx.pid;
error_log {work}/error.log;
daemon on;
events {{ worker_connections 256; }}
http {{
    log_format pace '$msec $server_port $status $request_method $uri';
    client_body_temp_path {work}/tmp;
    proxy_temp_path {work}/tmp;
    fastcgi_temp_path {work}/tmp;
    uwsgi_temp_path {work}/tmp;
    scgi_temp_path {work}/tmp;
    default_type text/html;
    limit_req_zone $server_port zone=plain:1m rate={RATE}r/s;
    limit_req_zone $server_port zone=told:1m rate={RATE}r/s;
    limit_req_status 429;
    server {{
        listen 127.0.0.1:{plain_port};
        access_log {work}/access.log pace;
        root {work}/www;
        location / {{ limit_req zone=plain burst={BURST} nodelay; }}
    }}
    server {{
        listen 127.0.0.1:{told_port};
        access_log {work}/access.log pace;
        root {work}/www;
        location / {{ limit_req zone=told burst={BURST} nodelay; }}
        error_page 429 @told;
        location @told {{
            add_header Retry-After {RETRY_AFTER} always;
            return 429 "too many requests";
        }}
    }}
}}
"""


def read_log(work, port):
    lines = []
    with open(os.path.join(work, "access.log")) as f:
        for line in f:
            t, p, status, method, uri = line.split()
            if int(p) == port:
                lines.append((float(t), int(status), method, uri))
    return lines


def check(tool, list_file, args, env):
    started = time.monotonic()
    out = subprocess.run([tool, "--format", "json", *args, list_file], capture_output=True, env=env, timeout=600)
    took = time.monotonic() - started
    results = [json.loads(line) for line in out.stdout.decode().splitlines() if line.strip()]
    return out.returncode, results, took, out.stderr.decode()


def main():
    build = os.environ.get("QUOKKA_BUILD_DIR") or os.path.join(os.path.dirname(sys.argv[1]), "..")
    tool = os.path.join(build, "src", "quokka-check")
    nginx = shutil.which("nginx") or "/usr/sbin/nginx"
    if not os.path.exists(nginx):
        print("SKIP: nginx is not installed (Debian's nginx-light)")
        return 77
    work = tempfile.mkdtemp(prefix="quokka-ratelimit.")
    failures = []
    try:
        # nginx's workers run as nobody: what they serve must be world-readable.
        os.chmod(work, 0o755)
        os.makedirs(os.path.join(work, "www"))
        os.makedirs(os.path.join(work, "tmp"))
        for i in range(PAGES):
            with open(os.path.join(work, "www", f"p{i}.html"), "w") as f:
                f.write(f"<!doctype html><title>page {i}</title><p>page {i}</p>")
        os.chmod(os.path.join(work, "www"), 0o755)
        plain_port, told_port = free_port(), free_port()
        with open(os.path.join(work, "nginx.conf"), "w") as f:
            f.write(nginx_conf(work, plain_port, told_port))
        subprocess.run([nginx, "-c", os.path.join(work, "nginx.conf"), "-p", work], check=True)
        env = dict(os.environ, XDG_DATA_HOME=os.path.join(work, "data"),
                   QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu")
        runs = [("no Retry-After", plain_port, ["--no-browser"]), ("no Retry-After", plain_port, []),
                ("Retry-After", told_port, ["--no-browser"]), ("Retry-After", told_port, [])]
        for kind, port, args in runs:
            # Each run starts with a full bucket: nginx forgets a host's excess at its rate.
            time.sleep(BURST / RATE + 0.5)
            list_file = os.path.join(work, f"list-{port}.dat")
            with open(list_file, "w") as f:
                f.write("".join(f"http://127.0.0.1:{port}/p{i}.html\r\n" for i in range(PAGES)))
            before = len(read_log(work, port))
            name = f"{kind}, {'plain requests' if args else 'with the engine'}"
            rc, results, took, err = check(tool, list_file, args, env)
            log = read_log(work, port)[before:]
            refusals = [t for t, status, _, _ in log if status == 429]
            served = {uri for _, status, _, uri in log if status == 200}
            print(f"{name}: {took:.1f} s (the limit allows {(PAGES - BURST - 1) / RATE:.1f} s at best), "
                  f"{len(log)} requests, {len(refusals)} refused, exit {rc}")
            verdicts = [r["verdict"] for r in results]
            if len(results) != PAGES or any(v != "alive" for v in verdicts):
                wrong = [f"{r['address']}: {r['verdict']} ({r['reason']})" for r in results if r["verdict"] != "alive"]
                failures.append(f"{name}: {len(results)} results, not alive: {wrong[:5]} {err[-300:]}")
            if len(served) != PAGES:
                failures.append(f"{name}: nginx served {len(served)} of {PAGES} pages")
            if len(refusals) > MOST_REFUSALS:
                failures.append(f"{name}: the host refused {len(refusals)} requests")
            if kind == "Retry-After":
                for refused_at in refusals:
                    early = [t - refused_at for t, _, _, _ in log
                             if refused_at + IN_FLIGHT_S < t < refused_at + RETRY_AFTER - 0.05]
                    if early:
                        failures.append(f"{name}: a request {early[0]:.2f} s after the host asked to wait {RETRY_AFTER} s")
                        break
    finally:
        try:
            with open(os.path.join(work, "nginx.pid")) as f:
                os.kill(int(f.read().strip()), signal.SIGQUIT)
            time.sleep(0.3)
        except (OSError, ValueError):
            pass
        shutil.rmtree(work, ignore_errors=True)
    for failure in failures:
        print("FAIL:", failure)
    if not failures:
        print("PASS")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
