"""What changed since you last looked, with the real mouse and keyboard.

A list of two loopback pages: the person opens both (Next, Next), and Quokka ends.  The shop's price
changes; a nightly `quokka-check --changes` says so.  Quokka again: the kettle's entry is read out as
"changed: 1 line", "Changed only (1)" sits beside the filter box; the person clicks the entry (their
look: the mark goes) and Ctrl+Shift+D shows What Changed, with the removed and added price read out as
"removed:" and "added:"; Esc closes it.
"""
import json
import os
import sqlite3
import subprocess
import sys
import http.server

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from quokka_driver import LocalServer, answer_html, check, run_inside_session, run_walks, wait_for, window_of  # noqa: E402


class Pages(LocalServer):
    """/kettle is a shop page whose price is Pages.price; /teapot never changes."""

    def __init__(self):
        self.price = "19.99"
        pages = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                name = self.path.strip("/")
                if name == "kettle":
                    body = ("<!doctype html><meta charset=utf-8><title>Kettle K2</title><h1>Kettle K2</h1>"
                            "<p>A steel kettle that boils a litre in three minutes.</p>"
                            f"<p>Price: €{pages.price}</p><p>In stock</p>").encode()
                    status = 200
                elif name == "teapot":
                    body = b"<!doctype html><title>Teapot</title><h1>Teapot</h1><p>Price: 9.00</p>"
                    status = 200
                else:
                    body = b"<!doctype html><title>Not Found</title><h1>Not Found</h1>"
                    status = 404
                answer_html(self, status, body, "text/html; charset=utf-8")

        self.start(Handler)


def persons_looks(s, address):
    path = os.path.join(s.data, "quokka", "page-memory.sqlite")
    if not os.path.exists(path):
        return 0
    db = sqlite3.connect(path, timeout=5)
    try:
        return db.execute("SELECT count(*) FROM looks WHERE address = ? AND kind = 0", (address,)).fetchone()[0]
    except sqlite3.OperationalError:
        return 0  # the table is made with the first look
    finally:
        db.close()


def open_list_browser(s):
    main = s.find("frame", "Quokka", timeout=30, showing=True)
    s.click(s.button(main, "Quokka"))
    lst = s.find("list", "Address list", timeout=15, showing=True)
    return lst, window_of(lst)


def walk(s, pages, problems):
    kettle, teapot = pages.url("kettle"), pages.url("teapot")
    os.makedirs(os.path.dirname(s.list_file()), exist_ok=True)
    with open(s.list_file(), "wb") as f:
        f.write((kettle + "\r\n" + teapot + "\r\n").encode())

    # The person looks at both pages.
    s.start()
    lst, browser = open_list_browser(s)
    s.click(s.button(browser, "Next"))
    wait_for("the person's look at the kettle", lambda: persons_looks(s, kettle) == 1, timeout=60)
    s.click(s.button(browser, "Next"))
    wait_for("the person's look at the teapot", lambda: persons_looks(s, teapot) == 1, timeout=60)
    s.close_box("Quokka")
    check(s.wait_exit(timeout=60) == 0, "the program did not end cleanly")

    # The price changes; the nightly check says so.
    pages.price = "17.49"
    env = dict(os.environ, XDG_DATA_HOME=s.data, HOME=s.home)
    checker = os.path.join(os.environ.get("QUOKKA_BUILD_DIR", ""), "src", "quokka-check")
    run = subprocess.run([checker, "--diff", "--format", "json", s.list_file()], env=env, capture_output=True,
                         text=True, timeout=300)
    check(run.returncode == 0, f"quokka-check ended with {run.returncode}: {run.stderr}")
    lines = [json.loads(line) for line in run.stdout.splitlines() if line.strip()]
    check([line["changed_lines"] for line in lines] == [1, 0], f"quokka-check said {run.stdout}")
    check("-Price: €19.99\n+Price: €17.49\n" in lines[0].get("diff", ""), f"the diff is {lines[0].get('diff')!r}")

    # Quokka again: the kettle is marked changed, for the eye and for a screen reader.
    s.start()
    lst, browser = open_list_browser(s)
    item = s.find("list item", kettle, root=lst, timeout=15)
    wait_for("the kettle read out as changed", lambda: "changed: 1 line" in (item.description or ""), timeout=60)
    s.find("check box", "Changed only (1)", root=browser, timeout=15, showing=True)
    s.shot("what-changed-marked")
    problems += s.unnamed_controls(browser)

    # The person opens it (the mark goes) and asks what changed.
    s.click(item)
    wait_for("the person's new look at the kettle", lambda: persons_looks(s, kettle) == 2, timeout=60)
    wait_for("the mark gone", lambda: "changed" not in (s.find("list item", kettle, root=lst).description or ""),
             timeout=30)
    s.click(s.find("list item", kettle, root=lst))
    s.keys("ctrl+shift+d")
    window = s.find("dialog", "What Changed: " + kettle, timeout=30, showing=True)
    wait_for("the removed price read out", lambda: s.find_all(None, "removed: Price: €19.99", root=window), timeout=30)
    check(s.find_all(None, "added: Price: €17.49", root=window), "the added price is not read out")
    s.shot("what-changed-window")
    problems += s.unnamed_controls(window)
    s.keys("Escape")
    s.gone("dialog", "What Changed: " + kettle, timeout=30)

    s.close_box("Quokka")
    check(s.wait_exit(timeout=60) == 0, "the program did not end cleanly")


def main(program):
    pages = Pages()
    try:
        return run_walks(program, (lambda s, problems: walk(s, pages, problems),))
    finally:
        pages.close()


if __name__ == "__main__":
    run_inside_session(main, budget=600)
