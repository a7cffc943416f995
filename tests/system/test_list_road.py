"""The built program walked the way people use it, with the real mouse and keyboard and a loopback web
server for the pages.

First run: New List with three addresses typed in, Create, the list browser's Next, Prev, back, forward,
a click on an entry and KILL, then the main window's close box; the list file must hold the addresses
left.  Second run: the cheat code typed in, pages in the browser window from typed addresses (Go, GO>,
Enter, Ctrl+L and keypad Enter) and its toolbar, an address added in the list browser, then Quit; the
list file must be as it was.
"""
import http.server
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from quokka_driver import LocalServer, check, read, run_inside_session, run_walks, text_of, wait_for, window_of  # noqa: E402


class LoopbackPages(LocalServer):
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
                # Kept nowhere, so that back and forward ask for the page again and the test sees them.
                self.send_header("Cache-Control", "no-store")
                self.send_header("Content-Length", str(len(data)))
                self.end_headers()
                self.wfile.write(data)

        self.start(Handler)


def list_entries(s, lst):
    return [n.name for n in s.find_all("list item", root=lst)]


def list_browser(s):
    lst = s.find("list", "Address list", timeout=15, showing=True)
    return lst, window_of(lst)


def asks_for(pages, path, what):
    """Waits for the program to ask the server for path exactly once more than before."""
    before = pages.requests.count(path)
    what()
    wait_for(f"{path} to be asked for", lambda: pages.requests.count(path) > before, timeout=20)
    time.sleep(0.3)
    check(pages.requests.count(path) == before + 1,
          f"{path} was asked for {pages.requests.count(path) - before} times; all requests: {pages.requests}")


def typical_road(s, pages, problems):
    s.start()
    s.find("frame", "Quokka", timeout=30, showing=True)
    s.check_title("Quokka")
    check(not os.path.exists(s.list_file()), "a fresh start wrote a list file before anything was saved")

    s.menu("List", "New List")
    editor = s.find("text", "New list, one address per line", showing=True)
    problems += s.unnamed_controls(window_of(editor))
    addresses = [pages.url("one"), pages.url("two"), pages.url("three")]
    s.click_and_type(editor, "\n".join(addresses))
    s.shot("road-new-list")
    s.click(s.button(window_of(editor), "Create"))
    s.check_title("Created")
    s.answer_alert("OK", " New list created!")
    s.gone("alert", None)
    expected = "".join(a + "\r\n" for a in addresses).encode()
    check(read(s.list_file()) == expected, f"Create wrote {read(s.list_file())!r}")

    lst, browser = list_browser(s)
    wait_for("the new list in the list browser", lambda: list_entries(s, lst) == addresses)
    s.gone("text", "New list, one address per line")

    # Every button of the list browser, clicked: each step asks for exactly one page.
    asks_for(pages, "/one", lambda: s.click(s.button(browser, "Next")))
    chosen = s.find("text", "Chosen address", root=browser)
    wait_for("the first address in the chosen-address box", lambda: text_of(chosen) == addresses[0])
    asks_for(pages, "/two", lambda: s.click(s.button(browser, "Next")))
    asks_for(pages, "/one", lambda: s.click(s.button(browser, "Prev")))
    asks_for(pages, "/two", lambda: s.click(s.button(browser, "Back")))
    asks_for(pages, "/one", lambda: s.click(s.button(browser, "Forward")))
    s.shot("road-next")
    asks_for(pages, "/three", lambda: s.click(s.find("list item", addresses[2], root=lst)))
    wait_for("the clicked address in the chosen-address box", lambda: text_of(chosen) == addresses[2])

    s.click(s.button(browser, "KILL"))
    wait_for("the clicked address to be removed", lambda: list_entries(s, lst) == addresses[:2])
    check(read(s.list_file()) == expected, "KILL wrote the list file before the list browser closed")

    s.close_box("Quokka")
    rc = s.wait_exit()
    check(rc == 0, f"the program ended with {rc} after the close box")
    left = "".join(a + "\r\n" for a in addresses[:2]).encode()
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
    s.click_and_type(code, "opensesame ")
    s.keys("Return")
    s.find("alert", "Wrong cheat", showing=True)
    s.check_title("Wrong cheat")
    s.shot("cheatbox-wrong")
    s.answer_alert("OK")
    s.gone("alert", None)
    s.click_and_type(code, "opensesame")
    s.keys("Return")
    check(s.answer_alert("OK") == "Right!", "the right code did not say so")
    s.gone("alert", "Right!")
    check(s.answer_alert("OK") == "List Update", "the right code did not announce the list")
    lst, browser = list_browser(s)
    wait_for("the full list in the list browser", lambda: list_entries(s, lst) == full, timeout=20)
    s.gone("text", "Cheat code")
    check(read(s.list_file()) == seeded, "the cheat code changed the list file")
    s.shot("cheat-full-list")

    # Pages in the browser window from typed addresses, each asked for once and exactly as typed.
    s.menu("File", "New Quokka")
    # An editable combo box is read by its text; the line edit inside holds the box's name.
    combo = s.find("text", "Address", showing=True)
    window = window_of(combo)
    problems += s.unnamed_controls(window)
    s.click_and_type(combo, pages.url("big"))
    asks_for(pages, "/big", lambda: s.click(s.button(window, "Go")))
    wait_for("the browser window to show the page's title", lambda: window.name == "Page big", timeout=30)
    s.check_title("Page big")
    s.find("label", "Ready!", root=window)
    s.shot("browser-window")
    # Enter where a click leaves the focus; "/b" is the start of an address typed before.
    s.click_and_type(combo, pages.url("b"))
    asks_for(pages, "/b", lambda: s.keys("Return"))
    wait_for("the page typed", lambda: window.name == "Page b", timeout=30)
    s.click_and_type(combo, pages.url("c"))
    asks_for(pages, "/c", lambda: s.click(s.button(window, "GO>", "Go to the typed address")))
    # Ctrl+L from the page, then the keypad's Enter.
    s.click(s.find(None, "Web page", root=window))
    s.keys("ctrl+l")
    s.type(pages.url("d"))
    asks_for(pages, "/d", lambda: s.keys("KP_Enter"))
    wait_for("the page typed after Ctrl+L", lambda: window.name == "Page d", timeout=30)
    # The toolbar: back, forward, refresh and stop ask for what they should; home shows the start page.
    asks_for(pages, "/c", lambda: s.click(s.button(window, "Back")))
    asks_for(pages, "/d", lambda: s.click(s.button(window, "Forward")))
    asks_for(pages, "/d", lambda: s.click(s.button(window, "Refresh")))
    s.click(s.button(window, "Stop"))
    s.click(s.button(window, "Go home"))
    wait_for("the start page in the browser window", lambda: window.name == "Quokka start", timeout=30)

    # An address added in the list browser is lost when the program is quit. The browser window covers the
    # main window: the person switches to it first.
    s.switch_to("Quokka")
    s.click(s.button(browser, "Add"))
    added = s.find("text", "Address to add", showing=True)
    problems += s.unnamed_controls(window_of(added))
    s.click_and_type(added, pages.url("added"))
    s.shot("add-url")
    s.click(s.button(window_of(added), "ADD"))
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
