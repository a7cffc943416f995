#!/usr/bin/env python3
"""Writes the checker benchmark's loopback world: an nginx configuration with HOSTS servers on loopback
ports, and lists of N addresses over them in a realistic mix, with the verdict each one deserves.

usage: make_lists.py FOLDER FIRST_PORT HOSTS N [N ...]
Writes FOLDER/nginx.conf, FOLDER/list-N.dat (CR LF lines), FOLDER/truth-N.tsv (address, verdict),
FOLDER/links-N.html (the same addresses as links, for linkchecker) and FOLDER/urls-N.txt (one a line).

Every page is a page of its own (its address is in its title and text), as on a real site. Every tenth
host is a shop that answers every address it does not have with one page and status 200, in words no
table of "not found" phrases knows (nginx's `error_page 404 =200`): its missing addresses are soft
404s, dead; its real pages are files, alive.
"""
import os
import random
import sys

# kind: (share, path prefix, verdict)
MIX = [
    ("alive", 0.74, "a", "alive"),
    ("temporary", 0.06, "t", "alive"),
    ("permanent", 0.06, "p", "moved"),
    ("notfound", 0.05, "n", "dead"),
    ("gone", 0.02, "g", "dead"),
    ("forbidden", 0.02, "f", "blocked"),
    ("botwall", 0.03, "w", "alive"),
    ("error", 0.02, "e", "failing"),
]

SHOP_EVERY = 10
SHOP_MISSING = ("<!doctype html><title>Example Shop</title><header><a href=/>Home</a> <a href=/a/>Catalogue</a> "
                "<a href=/about>About us</a></header><h1>Hmm.</h1><p>That one has wandered off. Have a look at our "
                "bestsellers instead.</p><footer>Example Shop, 12 Mill Lane</footer>")

WALL = ("<!doctype html><title>checking your browser</title>"
        "<script>document.cookie='wall=passed; path=/';location.reload();</script>")


def is_shop(host):
    return host % SHOP_EVERY == SHOP_EVERY - 1


def nginx_conf(folder, first_port, hosts):
    servers = []
    for i in range(hosts):
        if is_shop(i):
            servers.append(f"""
    server {{
        listen 127.0.0.1:{first_port + i};
        default_type text/html;
        root {folder}/shop;
        error_page 404 =200 /missing.html;
    }}""")
            continue
        servers.append(f"""
    server {{
        listen 127.0.0.1:{first_port + i};
        default_type text/html;
        location /a/ {{ return 200 "<!doctype html><title>alive $uri</title><p>alive: the page at $uri</p>"; }}
        location /t/ {{ return 302 /a/from-temporary$uri; }}
        location /p/ {{ return 301 /a/from-permanent$uri; }}
        location /n/ {{ return 404; }}
        location /g/ {{ return 410; }}
        location /f/ {{ return 403; }}
        location /e/ {{ return 500; }}
        location /w/ {{
            if ($cookie_wall = "passed") {{ return 200 "<!doctype html><title>behind the wall $uri</title>"; }}
            return 403 "{WALL}";
        }}
    }}""")
    return f"""worker_processes 2;
pid {folder}/nginx.pid;
error_log {folder}/error.log;
daemon on;
events {{ worker_connections 4096; }}
http {{
    access_log off;
    keepalive_requests 100000;
    client_body_temp_path {folder}/tmp;
    proxy_temp_path {folder}/tmp;
    fastcgi_temp_path {folder}/tmp;
    uwsgi_temp_path {folder}/tmp;
    scgi_temp_path {folder}/tmp;
{''.join(servers)}
}}
"""


def main():
    folder, first_port, hosts = os.path.abspath(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
    os.makedirs(os.path.join(folder, "tmp"), exist_ok=True)
    os.makedirs(os.path.join(folder, "shop", "a"), exist_ok=True)
    with open(os.path.join(folder, "shop", "missing.html"), "w") as f:
        f.write(SHOP_MISSING)
    with open(os.path.join(folder, "nginx.conf"), "w") as f:
        f.write(nginx_conf(folder, first_port, hosts))
    rng = random.Random(18)
    kinds = [k for k in MIX]
    weights = [k[1] for k in MIX]
    for n in map(int, sys.argv[4:]):
        rows = []
        for i in range(n):
            kind = rng.choices(kinds, weights)[0]
            if is_shop(i % hosts):
                # A shop: its real pages, and addresses it no longer has.
                if kind[0] == "alive":
                    with open(os.path.join(folder, "shop", "a", str(i)), "w") as f:
                        f.write(f"<!doctype html><title>Item {i} | Example Shop</title><h1>Item {i}</h1>"
                                f"<p>Item number {i}, a lamp, a chair or a table of our workshop.</p>")
                    url, verdict = f"http://127.0.0.1:{first_port + i % hosts}/a/{i}", "alive"
                else:
                    url, verdict = f"http://127.0.0.1:{first_port + i % hosts}/s/{i}", "dead"
                rows.append((url, verdict))
                continue
            url = f"http://127.0.0.1:{first_port + i % hosts}/{kind[2]}/{i}"
            rows.append((url, kind[3]))
        with open(os.path.join(folder, f"list-{n}.dat"), "wb") as f:
            f.write("".join(u + "\r\n" for u, _ in rows).encode())
        with open(os.path.join(folder, f"truth-{n}.tsv"), "w") as f:
            f.write("".join(f"{u}\t{v}\n" for u, v in rows))
        with open(os.path.join(folder, f"urls-{n}.txt"), "w") as f:
            f.write("".join(u + "\n" for u, _ in rows))
        with open(os.path.join(folder, f"links-{n}.html"), "w") as f:
            f.write("<!doctype html><title>links</title>\n" + "".join(f'<a href="{u}">{i}</a>\n' for i, (u, _) in enumerate(rows)))


if __name__ == "__main__":
    main()
