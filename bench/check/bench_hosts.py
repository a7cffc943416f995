#!/usr/bin/env python3
"""The checker on 10,000 servers that keep their connections open (one nginx for every loopback
address, in a network namespace of its own), at Debian's default open-file limit of 1,024: wall time,
peak open files of the checking process and peak memory (with the engine's processes), for
quokka-check with plain requests only and with the engine confirming, and for the Check List window
(bench_checkwindow, offscreen). As root (for the namespace).

usage: bench_hosts.py BUILD_FOLDER [HOSTS]   (hosts default to 10000)
"""
import os
import resource
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "system"))
import many_hosts  # noqa: E402


def main():
    many_hosts.enter_namespace()
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 10000
    tool = os.path.join(build, "src", "quokka-check")
    os.environ.setdefault("QTWEBENGINE_DISABLE_SANDBOX", "1")
    os.environ.setdefault("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu")
    work = tempfile.mkdtemp(prefix="quokka-bench-hosts-")
    servers = many_hosts.Servers(os.path.join(work, "nginx"))
    items = many_hosts.entries(count)
    with open("/proc/loadavg") as f:
        print(f"Machine: {os.cpu_count()} cores, load {' '.join(f.read().split()[:3])}")
    print()
    print("| Checker, open-file limit 1,024 | Hosts | Wall time | Peak open files | Peak memory (with the engine) | Wrong verdicts |")
    print("|---|---:|---:|---:|---:|---:|")
    try:
        for name, no_browser, hard in (("quokka-check --no-browser (hard limit 1,024 too)", True, 1024),
                                       ("quokka-check (engine confirms)", False, None)):
            rc, lines, err, wall, peak = many_hosts.run_checker(tool, items, work, no_browser, 1024, hard)
            import json
            got = [json.loads(line) for line in lines if line.strip()]
            wrong = sum(1 for o, (_, verdict) in zip(got, items) if o["verdict"] != verdict) + abs(len(got) - len(items))
            print(f"| {name} | {count:,} | {wall:.1f} s | {peak.files} | {peak.memory / 1024:.0f} MiB | {wrong} |", flush=True)
        window = os.path.join(build, "bench", "bench_checkwindow")
        if os.path.exists(window):
            path = os.path.join(work, "list.dat")
            _, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
            started = time.monotonic()
            proc = subprocess.Popen([window, path], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                    env=dict(os.environ, QT_QPA_PLATFORM="offscreen"),
                                    preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_NOFILE, (1024, hard)))
            peak = many_hosts.Sampler(proc.pid)
            while proc.poll() is None:
                peak.sample()
                time.sleep(0.1)
            wall = time.monotonic() - started
            out = proc.stdout.read().decode(errors="replace")
            ok = "check_window" in out
            print(f"| Check List window (bench_checkwindow{'' if ok else ', FAILED'}) | {count:,} | {wall:.1f} s "
                  f"| {peak.files} | {peak.memory / 1024:.0f} MiB | - |")
    finally:
        servers.close()


if __name__ == "__main__":
    main()
