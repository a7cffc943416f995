"""What every browser does with a page, with the real mouse and keyboard.

In a browser window: Ctrl+F opens the find bar over the page, typing finds and counts ("1 of 12"),
F3 and Shift+F3 step, Esc closes the bar; Ctrl+plus zooms and the zoom is written for the host;
Ctrl+S saves the page through the file dialog as one MHTML file, which holds the page's text, and a
notice names the file with Open and Show in Folder.
"""
import http.server
import os
import quopri
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from quokka_driver import LocalServer, check, read, run_inside_session, run_walks, wait_for, window_of  # noqa: E402

LINKS = ("<!doctype html><html><head><title>links</title></head><body style='margin:0'>"
         "<a href='/apples' style='display:block;width:100%;height:100vh;background:#cde'>apples</a></body></html>")
APPLES = ("<!doctype html><html><head><title>apples</title></head><body style='font-size:20px'>"
          + "".join(f"<p>an apple, number {i}</p>" for i in range(12))
          + "<p>one pear</p></body></html>")


class AppleServer(LocalServer):
    def __init__(self):
        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                data = (LINKS if self.path == "/links" else APPLES).encode()
                self.send_response(200)
                self.send_header("Content-Type", "text/html; charset=utf-8")
                self.send_header("Content-Length", str(len(data)))
                self.end_headers()
                self.wfile.write(data)

        self.start(Handler)


def showing(s, role, name, root):
    return [n for n in s.find_all(role, name, root=root, showing=True)]


def walk(s, problems):
    server = AppleServer()
    try:
        s.start()
        s.find("frame", "Quokka", timeout=30, showing=True)
        s.menu("File", "New Quokka")
        combo = s.find("text", "Address", showing=True)
        window = window_of(combo)
        s.click_and_type(combo, server.url("apples"))
        s.keys("Return")
        s.check_title("apples")
        time.sleep(1)

        # Find: Ctrl+F from the page, the count, F3 and Shift+F3, Esc.
        s.click(s.find(None, "Web page", root=window))
        s.keys("ctrl+f")
        box = s.find("text", "Find in page", root=window, showing=True, timeout=10)
        wait_for("the keyboard in the find box", lambda: s.has_focus(box), timeout=5)
        s.type("apple")
        # The search starts where the page was clicked, as in other browsers: the count says where.
        def count():
            said = [n.name for n in s.find_all("label", None, root=window, showing=True)
                    if (n.name or "").endswith(" of 12")]
            return int(said[0].split()[0]) if said else None
        at = wait_for("the count of twelve matches", count, timeout=15)
        s.keys("F3")
        wait_for("the next match counted", lambda: count() == at % 12 + 1, timeout=15)
        s.shot("page-tools-find")
        s.keys("shift+F3", "shift+F3")
        wait_for("two matches back", lambda: count() == (at - 2) % 12 + 1, timeout=15)
        problems += s.unnamed_controls(window)
        s.keys("Escape")
        wait_for("the find bar closed", lambda: not showing(s, "text", "Find in page", window), timeout=10)

        # Zoom: Ctrl+plus twice in the page, remembered for the host.
        s.click(s.find(None, "Web page", root=window))
        s.keys("ctrl+plus", "ctrl+plus")
        zooms = os.path.join(s.data, "quokka", "zoom.conf")
        wait_for("the zoom written for the host",
                 lambda: os.path.exists(zooms) and read(zooms) == b"127.0.0.1 1.25\n", timeout=10)
        time.sleep(0.5)
        s.shot("page-tools-zoomed")
        s.keys("ctrl+0")
        wait_for("the host's zoom forgotten", lambda: read(zooms) == b"", timeout=10)

        # Save the page with Ctrl+S as one file; the notice names it.
        path = os.path.join(s.home, "saved apples.mhtml")
        s.keys("ctrl+s")
        s.file_dialog("Save Page As")
        s.keys("ctrl+a", "BackSpace")
        s.type(path)
        s.keys("Return")
        # MHTML is quoted-printable: its soft line breaks may fall inside the text.
        wait_for(f"the file {path}", lambda: os.path.exists(path)
                 and b"number 11" in quopri.decodestring(read(path)), timeout=30)
        check(read(path).startswith(b"From:"), f"the saved page is not MHTML: {read(path)[:60]!r}")
        s.find("push button", "Show in Folder", root=window, showing=True, timeout=15)
        s.find("push button", "Open", root=window, showing=True, timeout=5)
        s.shot("page-tools-saved")
    finally:
        server.close()


def walk_link_menu(s, problems):
    """A link's context menu, with the real right button: Add Link to List puts it in the list browser's list."""
    server = AppleServer()
    try:
        s.start()
        s.find("frame", "Quokka", timeout=30, showing=True)
        s.menu("File", "New Quokka")
        combo = s.find("text", "Address", showing=True)
        window = window_of(combo)
        s.click_and_type(combo, server.url("links"))
        s.keys("Return")
        s.check_title("links")
        time.sleep(1)
        x, y = s.centre(s.find(None, "Web page", root=window))
        subprocess.run(["xdotool", "mousemove", str(int(x)), str(int(y)), "click", "3"], check=True, timeout=30)
        # The popup menu is not on the accessibility bus: its look is in the shot, its command is chosen
        # by its key (A, for Add Link to List) once it is on the screen.
        wait_for("the link's menu", lambda: s.popup_at(int(x), int(y)), timeout=15)
        time.sleep(0.3)  # its first paint, for the shot
        s.shot("page-tools-link-menu")
        s.keys("a")
        link = server.url("apples")
        s.find("label", f"Added to the list: {link}", root=window, showing=True, timeout=15)
        lst = s.find("list", "Address list", timeout=30)
        wait_for("the link in the list browser's list",
                 lambda: any((lst.getChildAtIndex(i).name or "") == link for i in range(lst.childCount)), timeout=15)
    finally:
        server.close()


def main(program):
    return run_walks(program, (walk, walk_link_menu))


if __name__ == "__main__":
    run_inside_session(main, budget=300)
