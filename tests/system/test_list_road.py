"""The built program walked the way people use it, with a loopback web server for the pages.

First run: New List with three addresses, Create, Next, KILL, then the main window's close box;
the list file must hold the two addresses left.  Second run: the cheat code, a page in the browser
window, an address added in the list browser, then Quit; the list file must be as it was.
"""
import http.server
import os
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from quokka_driver import check, read, run_inside_session, run_walks, wait_for, window_of  # noqa: E402


class LoopbackPages:
    """Serves /<name> as a small page titled "Page <name>" and remembers every path asked for."""

    def __init__(self):
        self.requests = []
        pages = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                pages.requests.append(self.path)
                name = self.path.strip("/") or "index"
                body = (f"<!doctype html><html><head><title>Page {name}</title></head>"
                        f"<body><h1>Page {name}</h1><p>Served from the loopback address.</p></body></html>")
                data = body.encode()
                self.send_response(200)
                self.send_header("Content-Type", "text/html; charset=utf-8")
                self.send_header("Content-Length", str(len(data)))
                self.end_headers()
                self.wfile.write(data)

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def url(self, name):
        return f"http://127.0.0.1:{self.server.server_address[1]}/{name}"

    def close(self):
        self.server.shutdown()
        self.server.server_close()


def text_of(node):
    t = node.queryText()
    return t.getText(0, t.characterCount)


def list_entries(s, lst):
    return [n.name for n in s.find_all("list item", root=lst)]


def list_browser(s):
    lst = s.find("list", "Address list", timeout=15, showing=True)
    return lst, window_of(lst)


def typical_road(s, pages, problems):
    s.start()
    s.find("frame", "Quokka", timeout=30, showing=True)
    check(not os.path.exists(s.list_file()), "a fresh start wrote a list file before anything was saved")

    s.menu("List", "New List")
    editor = s.find("text", "New list, one address per line", showing=True)
    problems += s.unnamed_controls(window_of(editor))
    addresses = [pages.url("one"), pages.url("two"), pages.url("three")]
    s.set_text(editor, "\n".join(addresses))
    s.shot("road-new-list")
    s.press("Create", root=window_of(editor))
    s.answer_alert("OK", " New list created!")
    s.gone("alert", None)
    expected = "".join(a + "\r\n" for a in addresses).encode()
    check(read(s.list_file()) == expected, f"Create wrote {read(s.list_file())!r}")

    lst, browser = list_browser(s)
    wait_for("the new list in the list browser", lambda: list_entries(s, lst) == addresses)
    s.gone("text", "New list, one address per line")

    s.press("Next", root=browser)
    chosen = s.find("text", "Chosen address", root=browser)
    wait_for("the first address in the chosen-address box", lambda: text_of(chosen) == addresses[0])
    wait_for("the page of the first address to be asked for", lambda: "/one" in pages.requests)
    time.sleep(1)
    s.shot("road-next")

    s.press("KILL: remove the selected address", root=browser)
    wait_for("the first address to be removed", lambda: list_entries(s, lst) == addresses[1:])
    check(read(s.list_file()) == expected, "KILL wrote the list file before the list browser closed")

    s.close_box("Quokka")
    rc = s.wait_exit()
    check(rc == 0, f"the program ended with {rc} after the close box")
    left = "".join(a + "\r\n" for a in addresses[1:]).encode()
    check(read(s.list_file()) == left, f"after the close box the list file holds {read(s.list_file())!r}")


def cheat_browse_add_quit(s, pages, problems, seeded):
    os.makedirs(os.path.dirname(s.list_file()), exist_ok=True)
    with open(s.list_file(), "wb") as f:
        f.write(seeded)
    full = read(os.path.join(os.environ["QUOKKA_SOURCE_DIR"], "dat", "ch.dat")).decode().split("\r\n")[:-1]

    s.start()
    s.find("frame", "Quokka", timeout=30, showing=True)

    # A wrong code earns a message naming it; the right one opens the list browser with the full list.
    s.menu("?", "Toggle Cheatmode")
    code = s.find("text", "Cheat code", showing=True)
    problems += s.unnamed_controls(window_of(code))
    s.set_text(code, "opensesame ")
    s.key(code, "Return")
    s.find("alert", "Wrong cheat", showing=True)
    s.shot("cheatbox-wrong")
    alert = s.answer_alert("OK")
    check(alert.name == "Wrong cheat", f"a wrong code showed {alert.name!r}")
    s.gone("alert", None)
    s.set_text(code, "opensesame")
    s.key(code, "Return")
    check(s.answer_alert("OK").name == "Right!", "the right code did not say so")
    s.gone("alert", "Right!")
    check(s.answer_alert("OK").name == "List Update", "the right code did not announce the list")
    lst, browser = list_browser(s)
    wait_for("the full list in the list browser", lambda: list_entries(s, lst) == full, timeout=20)
    s.gone("text", "Cheat code")
    check(read(s.list_file()) == seeded, "the cheat code changed the list file")
    s.shot("cheat-full-list")

    # A page in the browser window, from the address box.
    s.menu("File", "New Quokka")
    combo = s.find("combo box", "Address", showing=True)
    window = window_of(combo)
    problems += s.unnamed_controls(window)
    address = s.find("text", None, root=combo)
    s.set_text(address, pages.url("big"))
    s.press("Go", root=window)
    wait_for("the browser window to show the page's title", lambda: window.name == "Page big", timeout=30)
    check(pages.requests.count("/big") == 1, f"the page was asked for {pages.requests.count('/big')} times")
    s.find("label", "Ready!", root=window)
    s.shot("browser-window")

    # An address added in the list browser is lost when the program is quit.
    s.press("Add an address", root=browser)
    added = s.find("text", "Address to add", showing=True)
    problems += s.unnamed_controls(window_of(added))
    s.set_text(added, pages.url("added"))
    s.shot("add-url")
    s.press("Add the address to the list", root=window_of(added))
    wait_for("the added address at the end of the list",
             lambda: list_entries(s, lst) == full + [pages.url("added")])
    s.menu("File", "Quit")
    rc = s.wait_exit()
    check(rc == 0, f"the program ended with {rc} after Quit")
    check(read(s.list_file()) == seeded, f"Quit changed the list file to {read(s.list_file())[:200]!r}")


def main(program):
    pages = LoopbackPages()
    seeded = f"{pages.url('a')}\r\n{pages.url('b')}\r\n{pages.url('c')}\r\n".encode()
    try:
        return run_walks(program, (lambda s, problems: typical_road(s, pages, problems),
                                   lambda s, problems: cheat_browse_add_quit(s, pages, problems, seeded)))
    finally:
        pages.close()


if __name__ == "__main__":
    run_inside_session(main)
