"""A loopback world of many servers that keep their connections open, as nginx does, for the checker's
tests and benchmarks: one nginx in a network namespace of its own (only `lo` there, so a server that
listens on every address listens on loopback alone) answers for every 127.x.y.z address.

Entry i of the list is on host 127.20.(i // 250).(i % 250 + 1): every entry has a server of its own.
Most answer 200, every 50th is gone (404) and every 50th another moved for good (301 to a live page).
"""
import os
import resource
import shutil
import subprocess
import sys
import time

NETNS = "QUOKKA_MANY_HOSTS_NETNS"
SKIP = 77


def enter_namespace():
    """Re-runs this script in a network namespace of its own (first call), or brings its loopback up
    (in the namespace). Returns only in the namespace."""
    if os.environ.get(NETNS):
        subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
        return
    for tool in ("unshare", "ip"):
        if not shutil.which(tool):
            print(f"SKIP: {tool} is not installed")
            sys.exit(SKIP)
    if not os.path.exists("/usr/sbin/nginx"):
        print("SKIP: nginx is not installed (Debian's nginx-light)")
        sys.exit(SKIP)
    probe = subprocess.run(["unshare", "-n", "true"], capture_output=True, text=True)
    if probe.returncode != 0:
        print(f"SKIP: no network namespace for the loopback servers: {probe.stderr.strip()}")
        sys.exit(SKIP)
    env = dict(os.environ, **{NETNS: "1"})
    sys.exit(subprocess.run(["unshare", "-n", "--", sys.executable, os.path.abspath(sys.argv[0])] + sys.argv[1:],
                            env=env).returncode)


def host(i):
    return f"127.20.{i // 250}.{i % 250 + 1}"


def entries(count):
    """(address, verdict) for each entry, in list order."""
    out = []
    for i in range(count):
        if i % 50 == 7:
            out.append((f"http://{host(i)}/n/{i}", "dead"))
        elif i % 50 == 19:
            out.append((f"http://{host(i)}/p/{i}", "moved"))
        else:
            out.append((f"http://{host(i)}/a/{i}", "alive"))
    return out


def list_bytes(items):
    return "".join(address + "\r\n" for address, _ in items).encode()


class Servers:
    """nginx on port 80 of every loopback address in the namespace, keeping connections 75 s."""

    def __init__(self, folder):
        self.folder = folder
        os.makedirs(folder, exist_ok=True)
        os.chmod(folder, 0o755)
        conf = os.path.join(folder, "nginx.conf")
        temp = os.path.join(folder, "temp")
        with open(conf, "w") as f:
            f.write(f"""
worker_processes 1;
worker_rlimit_nofile 65536;
daemon on;
pid {folder}/nginx.pid;
error_log {folder}/error.log warn;
events {{ worker_connections 60000; }}
http {{
    access_log off;
    keepalive_timeout 75s;
    keepalive_requests 100000;
    client_body_temp_path {temp}; proxy_temp_path {temp}; fastcgi_temp_path {temp};
    uwsgi_temp_path {temp}; scgi_temp_path {temp};
    server {{
        listen 80 default_server;
        default_type text/html;
        location /a/ {{ return 200 "<!doctype html><title>alive $uri</title><p>alive: the page at $uri</p>"; }}
        location /n/ {{ return 404; }}
        location /p/ {{ return 301 /a/moved$uri; }}
    }}
}}
""")
        subprocess.run(["/usr/sbin/nginx", "-p", folder, "-c", conf], check=True)
        pid_file = os.path.join(folder, "nginx.pid")
        for _ in range(100):
            if os.path.exists(pid_file):
                break
            time.sleep(0.05)

    def close(self):
        try:
            with open(os.path.join(self.folder, "nginx.pid")) as f:
                pid = int(f.read())
            os.kill(pid, 15)
        except (OSError, ValueError):
            pass


def open_files(pid):
    try:
        return len(os.listdir(f"/proc/{pid}/fd"))
    except OSError:
        return 0


def memory_kib(pid):
    """The resident memory of pid and every process below it (the engine's), in KiB."""
    total = 0
    todo = [pid]
    while todo:
        p = todo.pop()
        try:
            with open(f"/proc/{p}/status") as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        total += int(line.split()[1])
            for task in os.listdir(f"/proc/{p}/task"):
                with open(f"/proc/{p}/task/{task}/children") as f:
                    todo += [int(c) for c in f.read().split()]
        except OSError:
            pass
    return total


class Sampler:
    """Peak open files (of the process itself) and peak memory (with its children) while it runs."""

    def __init__(self, pid):
        self.pid = pid
        self.files = 0
        self.memory = 0

    def sample(self):
        self.files = max(self.files, open_files(self.pid))
        self.memory = max(self.memory, memory_kib(self.pid))


def run_checker(tool, items, folder, no_browser, soft_limit=1024, hard_limit=None, budget=900):
    """Runs quokka-check on items with the given open-file limit. Returns (exit code, stdout lines,
    stderr, wall seconds, sampler)."""
    path = os.path.join(folder, "list.dat")
    with open(path, "wb") as f:
        f.write(list_bytes(items))
    arguments = [tool, "--format", "json"] + (["--no-browser"] if no_browser else []) + [path]
    _, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    limit = (soft_limit, hard_limit if hard_limit is not None else hard)
    out_path = os.path.join(folder, "out.json")
    err_path = os.path.join(folder, "err.txt")
    started = time.monotonic()
    with open(out_path, "wb") as out, open(err_path, "wb") as err:
        proc = subprocess.Popen(arguments, stdout=out, stderr=err,
                                preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_NOFILE, limit))
        sampler = Sampler(proc.pid)
        while proc.poll() is None:
            sampler.sample()
            if time.monotonic() - started > budget:
                proc.kill()
                proc.wait()
                break
            time.sleep(0.1)
    wall = time.monotonic() - started
    with open(out_path, "rb") as f:
        lines = f.read().split(b"\n")
    with open(err_path, "rb") as f:
        err_text = f.read().decode(errors="replace")
    return proc.returncode, lines, err_text, wall, sampler
