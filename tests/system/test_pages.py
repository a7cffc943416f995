"""Pages that fight back, met with the real mouse and the close box.

A list from someone else holds an entry that is markup behind "javascript:" and a page that shows
alert() after alert() after alert().  The notice bar must quote the entry as text; the page's dialogs must offer to
stop after three in a few seconds and stay stopped when that is chosen, leave the list browser's
buttons working while one is open, and the main window's close box must end the program while the
page asks, writing the list back.
"""
import http.server
import os
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from quokka_driver import check, read, run_inside_session, run_walks, wait_for, window_of  # noqa: E402

MARKUP = "javascript:<h1 style='color:green'>Your list was saved.</h1><!--"
NAG = ("<!doctype html><html><head><title>nag</title></head><body><h1>Nag</h1><script>"
       "for (let i = 0; i < 500; i++) alert('Nag ' + i);</script></body></html>")


class NagServer:
    def __init__(self):
        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                data = NAG.encode()
                self.send_response(200)
                self.send_header("Content-Type", "text/html; charset=utf-8")
                self.send_header("Content-Length", str(len(data)))
                self.end_headers()
                self.wfile.write(data)

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def url(self):
        return f"http://127.0.0.1:{self.server.server_address[1]}/nag"

    def close(self):
        self.server.shutdown()
        self.server.server_close()


def page_dialogs(s):
    return [d for d in s.find_all("dialog", showing=True) if (d.name or "").startswith("Javascript Alert - ")]


def walk(s, problems):
    server = NagServer()
    try:
        listed = f"{MARKUP}\r\n{server.url()}\r\n".encode()
        os.makedirs(os.path.dirname(s.list_file()), exist_ok=True)
        with open(s.list_file(), "wb") as f:
            f.write(listed)
        s.start()
        frame = s.find("frame", "Quokka", timeout=30, showing=True)
        s.click(s.button(frame, "Quokka"))
        lst = s.find("list", "Address list", timeout=60, showing=True)
        browser = window_of(lst)

        # The markup entry is refused, and quoted as the characters it is.
        s.click(s.button(browser, "Next"))
        notice = s.find("label", "Browser notice", showing=True, timeout=20)
        said = notice.description
        check(MARKUP in said and "would run a script" in said, f"the notice bar says {said!r}")
        s.shot("pages-markup-notice")

        # The nagging page: its dialogs hold nothing, and the third offers to stop them, already chosen.
        s.click(s.button(browser, "Next"))
        for n in range(3):
            dialog = wait_for(f"dialog {n + 1} of the page", lambda: page_dialogs(s), timeout=30)[0]
            stop = s.find("check box", "Don't let this page show more dialogs", root=dialog, timeout=5)
            offered = stop.getState().contains(s.pyatspi.STATE_SHOWING)
            checked = stop.getState().contains(s.pyatspi.STATE_CHECKED)
            check(offered == (n > 0), f"dialog {n + 1}: the choice to stop is {'' if offered else 'not '}offered")
            check(checked == (n == 2), f"dialog {n + 1}: stopping is {'' if checked else 'not '}chosen")
            if n == 2:
                s.shot("pages-dialog")
                problems += s.unnamed_controls(dialog)
            s.click(s.find("push button", "OK", root=dialog, showing=True))
            wait_for(f"dialog {n + 1} answered", lambda: dialog not in page_dialogs(s), timeout=10)
        time.sleep(2)
        check(not page_dialogs(s), "the page still shows dialogs after they were stopped")
        s.shot("pages-dialogs-stopped")

        # Opened again, the page asks again; the list browser takes clicks meanwhile (Prev leaves the page).
        s.click(s.button(browser, "Prev"))
        s.click(s.button(browser, "Next"))
        wait_for("a dialog of the page opened again", lambda: page_dialogs(s), timeout=30)
        s.click(s.button(browser, "Prev"))
        wait_for("the first entry selected by Prev while the page asked",
                 lambda: lst.getChildAtIndex(0).getState().contains(s.pyatspi.STATE_SELECTED), timeout=20)

        # The main window's close box ends the program while the page asks, and the list is written back.
        s.click(s.button(browser, "Next"))
        wait_for("a dialog of the page once more", lambda: page_dialogs(s), timeout=30)
        s.close_box("Quokka")
        rc = s.wait_exit(timeout=60)
        check(rc == 0, f"the program ended with {rc} after the close box")
        got = read(s.list_file())
        check(got == listed, f"the list came back as {got!r}")
    finally:
        server.close()


def main(program):
    return run_walks(program, (walk,))


if __name__ == "__main__":
    run_inside_session(main, budget=300)
