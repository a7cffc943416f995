#!/usr/bin/env python3
"""Writes the real-server benchmark's world: an nginx configuration (a small site, a site behind
limit_req, a members' area behind auth_basic, a cookie wall) and one list of addresses over it and over
httpbin under gunicorn, with the verdict each one deserves.

usage: make_realservers.py FOLDER HTTPBIN_PORT SITE_PORT LIMITED_PORT MEMBERS_PORT
Writes FOLDER/nginx.conf, FOLDER/www/..., FOLDER/htpasswd, FOLDER/list.dat (CR LF lines),
FOLDER/truth.tsv (address, verdict) and FOLDER/urls.txt (one a line).

The verdicts are what a person with a browser finds: a page that shows is alive, one that is only
reached through a permanent redirect is moved, a login or a refusal is blocked, a server error is
failing, a page that is not there is dead. httpbin's /status/429 and /status/503 are such pages: they
answer so every time, whoever asks and however slowly. httpbin's /status/407 is left out: asked for
a proxy login by a server that is no proxy, a browser shows its own error (ERR_UNEXPECTED_PROXY_AUTH)
where a plain request sees a login, and neither verdict is plainly the right one.
"""
import os
import sys

RATE = 5  # requests a second on the rate-limited site
BURST = 5
LIMITED_PAGES = 25


def httpbin_entries():
    alive = ["/", "/html", "/get", "/robots.txt", "/deny", "/ip", "/uuid", "/headers", "/user-agent", "/anything",
             "/anything/a/path", "/gzip", "/deflate", "/encoding/utf8", "/xml", "/forms/post", "/links/10/0",
             "/links/10/1", "/base64/SFRUUEJJTiBpcyBhd2Vzb21l", "/bytes/1024", "/stream-bytes/2048", "/stream/5", "/range/1024",
             "/drip?duration=1&numbytes=5&delay=0", "/image/png", "/image/svg", "/cache", "/cache/60", "/etag/abc",
             "/response-headers?Content-Type=text/html", "/cookies", "/cookies/set?flavour=oat", "/cookies/set/a/b",
             "/cookies/delete?flavour", "/delay/1", "/delay/2", "/delay/3",
             "/redirect/1", "/redirect/3", "/relative-redirect/2", "/absolute-redirect/2", "/redirect-to?url=/html",
             "/redirect-to?url=/get&status_code=307"]
    alive += [f"/status/{code}" for code in (200, 201, 202, 203, 204, 206, 302, 303, 307)]
    entries = [(path, "alive") for path in alive]
    entries += [("/status/301", "moved"), ("/redirect-to?url=/html&status_code=301", "moved")]
    entries += [(f"/status/{code}", "dead") for code in (400, 402, 404, 405, 406, 409, 410, 418)]
    entries += [("/hidden-basic-auth/user/passwd", "dead")]
    entries += [(f"/status/{code}", "blocked") for code in (401, 403, 429, 451)]
    entries += [("/basic-auth/user/passwd", "blocked"), ("/digest-auth/auth/user/passwd", "blocked"), ("/bearer", "blocked")]
    entries += [(f"/status/{code}", "failing") for code in (500, 501, 502, 503, 504)]
    return entries


def site_entries():
    entries = [(f"/p{i}.html", "alive") for i in range(25)]
    entries += [(f"/docs/d{i}.html", "alive") for i in range(5)]
    entries += [("/latin1.html", "alive"), ("/utf16.html", "alive"), ("/zipped.html", "alive"), ("/", "alive")]
    entries += [(f"/old/p{i}.html", "moved") for i in range(5)]
    entries += [(f"/tmp/p{i}.html", "alive") for i in range(5)]
    entries += [(f"/missing{i}.html", "dead") for i in range(5)]
    entries += [("/gone.html", "dead"), ("/broken.html", "failing"), ("/busy.html", "failing"),
                ("/private/", "blocked"), ("/walled.html", "alive")]
    return entries


def write_site(folder):
    www = os.path.join(folder, "www")
    os.makedirs(os.path.join(www, "docs"), exist_ok=True)
    os.makedirs(os.path.join(www, "private"), exist_ok=True)
    os.makedirs(os.path.join(www, "members"), exist_ok=True)
    os.makedirs(os.path.join(www, "limited"), exist_ok=True)

    def page(path, title, data=None):
        with open(os.path.join(www, path), "wb") as f:
            f.write(data if data is not None else
                    f"<!doctype html><title>{title}</title><h1>{title}</h1><p>This is {title}, a page of its own.</p>".encode())

    page("index.html", "The site's home")
    for i in range(25):
        page(f"p{i}.html", f"Page {i}")
    for i in range(5):
        page(f"docs/d{i}.html", f"Document {i}")
    page("latin1.html", "", "<!doctype html><meta charset=iso-8859-1><title>Caf\xe9 cr\xe8me</title><p>D\xe9j\xe0 vu.</p>"
         .encode("latin-1"))
    page("utf16.html", "", "<!doctype html><meta charset=utf-16><title>Sixteen bits</title><p>Wide.</p>".encode("utf-16"))
    page("zipped.html", "A page sent gzipped")
    page("walled.html", "Past the cookie wall")
    page("private/index.html", "Not for you")
    for i in range(5):
        page(f"members/m{i}.html", f"Member page {i}")
    for i in range(LIMITED_PAGES):
        page(f"limited/l{i}.html", f"Limited page {i}")
    with open(os.path.join(folder, "htpasswd"), "w") as f:
        f.write("member:{PLAIN}secret\n")
    for root, dirs, files in os.walk(www):
        os.chmod(root, 0o755)
        for name in files:
            os.chmod(os.path.join(root, name), 0o644)
    os.chmod(os.path.join(folder, "htpasswd"), 0o644)


def nginx_conf(folder, site, limited, members):
    return f"""worker_processes 1;
pid {folder}/nginx.pid;
error_log {folder}/error.log;
events {{ worker_connections 512; }}
http {{
    log_format lines '$msec $server_port $status $request_method $request_uri';
    access_log {folder}/nginx-access.log lines;
    client_body_temp_path {folder}/tmp;
    proxy_temp_path {folder}/tmp;
    fastcgi_temp_path {folder}/tmp;
    uwsgi_temp_path {folder}/tmp;
    scgi_temp_path {folder}/tmp;
    default_type text/html;
    gzip on;
    gzip_min_length 1;
    limit_req_zone $server_port zone=limited:1m rate={RATE}r/s;
    limit_req_status 429;
    server {{
        listen 127.0.0.1:{site};
        root {folder}/www;
        location /old/ {{ rewrite ^/old/(.*)$ /$1 permanent; }}
        location /tmp/ {{ rewrite ^/tmp/(.*)$ /$1 redirect; }}
        location = /gone.html {{ return 410; }}
        location = /broken.html {{ return 500; }}
        location = /busy.html {{ return 503; }}
        location /private/ {{ deny all; }}
        location = /walled.html {{
            if ($cookie_wall != "passed") {{
                add_header Set-Cookie "wall=passed; Path=/";
                return 302 /walled.html;
            }}
        }}
    }}
    server {{
        listen 127.0.0.1:{limited};
        root {folder}/www/limited;
        location / {{ limit_req zone=limited burst={BURST} nodelay; }}
    }}
    server {{
        listen 127.0.0.1:{members};
        root {folder}/www;
        location /members/ {{ auth_basic "Members"; auth_basic_user_file {folder}/htpasswd; }}
    }}
}}
"""


def main():
    folder, httpbin, site, limited, members = sys.argv[1], *map(int, sys.argv[2:6])
    os.makedirs(os.path.join(folder, "tmp"), exist_ok=True)
    write_site(folder)
    with open(os.path.join(folder, "nginx.conf"), "w") as f:
        f.write(nginx_conf(folder, site, limited, members))
    entries = [(f"http://127.0.0.1:{httpbin}{path}", v) for path, v in httpbin_entries()]
    entries += [(f"http://127.0.0.1:{site}{path}", v) for path, v in site_entries()]
    entries += [(f"http://127.0.0.1:{limited}/l{i}.html", "alive") for i in range(LIMITED_PAGES)]
    entries += [(f"http://127.0.0.1:{members}/members/m{i}.html", "blocked") for i in range(5)]
    # The whole list, and the same without the rate-limited site, whose limit sets a floor that only a
    # checker ignoring its 429s goes below.
    unlimited = [(url, v) for url, v in entries if f":{limited}/" not in url]
    for suffix, chosen in (("", entries), ("-unlimited", unlimited)):
        with open(os.path.join(folder, f"list{suffix}.dat"), "w", newline="") as f:
            f.write("".join(f"{url}\r\n" for url, _ in chosen))
        with open(os.path.join(folder, f"truth{suffix}.tsv"), "w") as f:
            f.write("".join(f"{url}\t{v}\n" for url, v in chosen))
        with open(os.path.join(folder, f"urls{suffix}.txt"), "w") as f:
            f.write("".join(f"{url}\n" for url, _ in chosen))
    print(len(entries), len(unlimited), f"{(LIMITED_PAGES - BURST) / RATE:.1f}")


if __name__ == "__main__":
    main()
