"""Pages that fight back, met with the real mouse, keyboard and close box.

A list from someone else holds an entry that is markup behind "javascript:" and a page that shows
alert() after alert().  The notice bar must quote the entry as text; the page's dialogs must offer to
stop (the third in a row with stopping chosen) and stay stopped when that is chosen, leave the list
browser's buttons working while one is open, and the main window's close box must end the program
while the page asks, writing the list back.  In the browser window, a page that starts five downloads
on its own gets one question and saves nothing, and a window it opened through a link closes when its
page calls window.close().
"""
import http.server
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from quokka_driver import LocalServer, check, read, run_inside_session, run_walks, wait_for, window_of  # noqa: E402

MARKUP = "javascript:<h1 style='color:green'>Your list was saved.</h1><!--"
NAG = ("<!doctype html><html><head><title>nag</title></head><body><h1>Nag</h1><script>"
       "for (let i = 0; i < 500; i++) alert('Nag ' + i);</script></body></html>")


AUTODL = ("<!doctype html><html><head><title>autodl</title></head><body><script>"
          "for (let i = 0; i < 5; i++) { const a = document.createElement('a'); a.href = '/file' + i;"
          "a.download = 'auto' + i + '.txt'; document.body.appendChild(a); a.click(); }</script></body></html>")
OPENER = ("<!doctype html><html><head><title>opener</title></head><body style='margin:0'>"
          "<a target='_blank' href='/closer' style='display:block;width:100%;height:100vh;background:#cde'>"
          "open</a></body></html>")
CLOSER = ("<!doctype html><html><head><title>closer</title></head><body><script>"
          "setTimeout(function () { window.close(); }, 1500);</script></body></html>")


class NagServer(LocalServer):
    """Serves the pages above; /fileN is a file to save."""

    def __init__(self):
        pages = {"/nag": NAG, "/autodl": AUTODL, "/opener": OPENER, "/closer": CLOSER}

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                extra = {}
                if self.path.startswith("/file"):
                    data = b"data\r\n"
                    extra = {"Content-Type": "text/plain",
                             "Content-Disposition": f'attachment; filename="auto{self.path[5:]}.txt"'}
                else:
                    data = pages.get(self.path, "<title>none</title>").encode()
                    extra = {"Content-Type": "text/html; charset=utf-8"}
                self.send_response(200)
                for k, v in extra.items():
                    self.send_header(k, v)
                self.send_header("Content-Length", str(len(data)))
                self.end_headers()
                self.wfile.write(data)

        self.start(Handler)

    def url(self, name="nag"):
        return super().url(name)


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


def walk_browser_window(s, problems):
    server = NagServer()
    try:
        s.start()
        s.find("frame", "Quokka", timeout=30, showing=True)
        s.menu("File", "New Quokka")
        combo = s.find("text", "Address", showing=True)
        window = window_of(combo)

        # Five downloads started by the page alone: one question, whose default (Enter) is "Don't save".
        s.click_and_type(combo, server.url("autodl"))
        s.keys("Return")
        question = wait_for("the question about a download nobody asked for", lambda: [
            d for d in s.find_all("dialog", showing=True) if (d.name or "").startswith("Save a file? - ")], timeout=30)[0]
        s.shot("pages-download-question")
        problems += s.unnamed_controls(question)
        s.click(s.find("push button", "Don't save", root=question, showing=True))
        wait_for("the question answered", lambda: not s.find_all("dialog", showing=True), timeout=10)
        time.sleep(2)
        check(not s.find_all("dialog", showing=True), "the page's other downloads were asked about again")
        downloads = os.path.join(s.home, "Downloads")
        saved = os.listdir(downloads) if os.path.isdir(downloads) else []
        check(not saved, f"files saved without a click: {saved}")
        notice = s.find("label", "Browser notice", root=window, showing=True, timeout=10)
        check("did not save" in notice.description, f"the notice says {notice.description!r}")
        s.shot("pages-download-refused")

        # A window opened by a link closes when its page asks; the opener stays.
        s.click_and_type(combo, server.url("opener"))
        s.keys("Return")
        wait_for("the opener page", lambda: window.name == "opener", timeout=30)
        s.click(s.find(None, "Web page", root=window))
        s.check_title("closer")
        wait_for("the window the page opened to close itself", lambda: "closer" not in s.titles(), timeout=20)
        check("opener" in s.titles(), f"the opener's window went too: {s.titles()}")
    finally:
        server.close()


def main(program):
    return run_walks(program, (walk, walk_browser_window))


if __name__ == "__main__":
    run_inside_session(main, budget=300)
