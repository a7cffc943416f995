"""The keyboard and a scaled display, with real keys and the real mouse: the entry opened from List View is
the one KILL removes, Add URL replaces what it held, Tab leaves the list browser's page, keys reach the
commands that only the toolbar had, Enter presses the focused button, typed text is not thrown away without
a question; and at QT_SCALE_FACTOR 1.5 and 2 every control of the list browser, List View and the browser
window can be reached."""
import http.server
import os
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from quokka_driver import Failure, check, read, run_inside_session, run_walks, text_of, wait_for, window_of  # noqa: E402


class Pages(http.server.BaseHTTPRequestHandler):
    """Every path is a page titled by the path, with two links."""

    def do_GET(self):
        name = self.path.lstrip("/")
        body = (f"<title>{name}</title><p><a href='/{name}-x'>first link</a> <a href='/{name}-y'>second link</a>"
                "</p>").encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def start_server():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Pages)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, f"http://127.0.0.1:{server.server_address[1]}"


def seed(s, entries):
    os.makedirs(os.path.dirname(s.list_file()), exist_ok=True)
    with open(s.list_file(), "wb") as f:
        f.write(b"".join(e.encode() + b"\r\n" for e in entries))


def main_window(s):
    return s.find("frame", "Quokka", timeout=30, showing=True)


def focus_main_window(s):
    top = s.x_window("Quokka")
    s.maximize_if_asked(top)
    subprocess.run(["xdotool", "windowfocus", "--sync", str(top)], check=True, timeout=10)
    time.sleep(0.3)


def items(s, lst):
    return [n.name for n in s.find_all("list item", root=lst)]


def selected(s, lst):
    return [n.name for n in s.find_all("list item", root=lst) if n.getState().contains(s.pyatspi.STATE_SELECTED)]


def focused(s, node):
    return node.getState().contains(s.pyatspi.STATE_FOCUSED)


def run_keyboard_and_the_right_entry(s, problems):
    server, base = start_server()
    entries = [f"{base}/a=1", f"{base}/a=2", f"{base}/a=3"]
    seed(s, entries)
    s.start()
    main_window(s)
    focus_main_window(s)

    # Quokka (the list browser at the start page) has a key of its own.
    s.keys("alt+Home")
    lst = s.find("list", "Address list", timeout=30, showing=True)
    browser = window_of(lst)

    # a=1 chosen in the list browser, a=3 opened from List View (reached with its key): KILL removes a=3.
    s.click(s.find("list item", entries[0], root=lst))
    s.keys("ctrl+shift+l")
    stored = s.find("list", "Stored address list", showing=True)
    s.click(s.find("list item", entries[2], root=stored), double=True)
    s.gone("list", "Stored address list")
    chosen = s.find("text", "Chosen address", root=browser)
    wait_for("a=3 in the chosen-address box", lambda: text_of(chosen) == entries[2], timeout=10)
    wait_for("a=3 selected in the list browser", lambda: selected(s, lst) == [entries[2]], timeout=10)
    wait_for("the page of a=3", lambda: s.find_all("document frame", "a=3") or True, timeout=5)
    s.shot("keys-list-view-opened-a3")
    s.click(s.button(browser, "KILL"))
    wait_for("a=3 to be removed", lambda: items(s, lst) == entries[:2], timeout=10)

    # Add URL: every opening starts in the box with the last address selected; Enter adds once.
    for added in ("c1", "c3"):
        s.click(s.button(browser, "Add"))
        box = s.find("text", "Address to add", showing=True)
        wait_for("the keyboard in Add URL's box", lambda: focused(s, box), timeout=10)
        s.type(f"{base}/{added}")
        s.keys("Return")
        s.gone("text", "Address to add")
    wait_for("c1 and c3 added once each", lambda: items(s, lst) == entries[:2] + [f"{base}/c1", f"{base}/c3"],
             timeout=10)

    # Tab leaves the list browser's page at its end and goes on to the list.
    s.click(s.find("list item", entries[1], root=lst))
    page = s.find(None, "Page of the chosen address", root=browser)
    x, y, w, h = s.extents(page)
    wait_for("the page of a=2", lambda: True, timeout=1)
    time.sleep(2)
    subprocess.run(["xdotool", "mousemove", "--sync", str(x + w // 2), str(y + h - 20), "click", "1"], check=True,
                   timeout=10)
    time.sleep(0.5)
    left = False
    for _ in range(8):
        s.keys("Tab")
        time.sleep(0.4)
        if focused(s, lst):
            left = True
            break
    s.shot("keys-tab-left-the-page")
    check(left, "Tab never left the list browser's page")

    # Info hides the list browser; Ctrl+Tab brings the hidden window back.
    s.menu("?", "Info")
    s.gone("list", "Address list")
    focus_main_window(s)
    for _ in range(3):
        s.keys("ctrl+Tab")
        time.sleep(0.4)
        if s.find_all("list", "Address list", showing=True):
            break
    s.find("list", "Address list", timeout=5, showing=True)
    s.shot("keys-ctrl-tab-back-to-the-list-browser")

    s.close_box("Quokka")
    check(s.wait_exit() == 0, "the program did not end well after the close box")
    expected = b"".join(e.encode() + b"\r\n" for e in entries[:2] + [f"{base}/c1", f"{base}/c3"])
    check(read(s.list_file()) == expected, f"the close box wrote {read(s.list_file())!r}")
    server.shutdown()


def run_enter_and_typed_text(s, problems):
    server, base = start_server()
    seed(s, [f"{base}/one"])
    s.start()
    frame = main_window(s)
    focus_main_window(s)

    # New List opens with the focus on Create: Enter creates.
    s.keys("ctrl+l")
    s.find("text", "New list, one address per line", showing=True)
    s.keys("Return")
    s.check_title("Created")
    s.answer_alert("OK", " New list created!")
    s.gone("alert", None)
    check(read(s.list_file()) == b"Your URL's (Multiline)\r\n", f"Create wrote {read(s.list_file())!r}")

    focus_main_window(s)
    # Edit List: typed text and Ctrl+W asks; Cancel keeps the window and the text, Discard throws it away.
    s.menu("List", "Edit List")
    editor = s.find("text", "The list, one address per line", showing=True)
    s.click(editor)
    s.keys("ctrl+End")
    s.type(f"\n{base}/typed")
    s.keys("ctrl+w")
    s.shot("keys-ask-before-discarding")
    s.answer_alert("Cancel")
    s.gone("alert", None)
    check(f"{base}/typed" in text_of(editor), "Cancel lost the typed text")
    s.click(editor)
    s.keys("ctrl+w")
    s.answer_alert("Discard")
    s.gone("text", "The list, one address per line")
    check(read(s.list_file()) == b"Your URL's (Multiline)\r\n", "Discard changed the list file")

    # Enter on the focused Edit button saves.
    s.menu("List", "Edit List")
    editor = s.find("text", "The list, one address per line", showing=True)
    s.click(editor)
    s.keys("ctrl+End")
    s.type(f"\n{base}/two")
    s.keys("Tab")
    wait_for("the keyboard on Edit", lambda: focused(s, s.button(window_of(editor), "Edit")), timeout=5)
    s.keys("Return")
    s.answer_alert("OK", " List updated!")
    s.gone("alert", None)
    check(read(s.list_file()) == f"Your URL's (Multiline)\r\n{base}/two\r\n".encode(),
          f"Edit by Enter wrote {read(s.list_file())!r}")

    # The browser window: Enter on the focused GO> loads the typed address.
    focus_main_window(s)  # as a window manager does when a message box has closed
    s.keys("ctrl+n")
    address = s.find("text", "Address", showing=True)
    s.click_and_type(address, f"{base}/go")
    s.keys("Tab", "Tab")
    big = window_of(address)
    wait_for("the keyboard on GO>", lambda: focused(s, s.button(big, "GO>")), timeout=5)
    s.keys("Return")
    s.check_title("go")
    s.close_box("go")
    s.gone("text", "Address")

    # Typed text and the main window's close box: the question comes, Save keeps the text, the program ends.
    focus_main_window(s)
    s.click(editor)
    s.keys("ctrl+End")
    s.type(f"\n{base}/three")
    s.close_box("Quokka")
    s.answer_alert("Save")
    check(s.wait_exit() == 0, "the program did not end after Save")
    check(read(s.list_file()) == f"Your URL's (Multiline)\r\n{base}/two\r\n{base}/three\r\n".encode(),
          f"Save on the close box wrote {read(s.list_file())!r}")
    server.shutdown()


def scroll_into_screen(s, area, node, what):
    """Clicks the scroll bars along the right and bottom edges of area (where a scrolling area keeps them) until
    node's centre is on the screen, as a person would."""
    screen = s.x_display().screen()
    thickness = round(12 * s.scale)
    for _ in range(30):
        x, y = s.centre(node)
        if 0 <= x < screen.width_in_pixels and 0 <= y < screen.height_in_pixels:
            return
        ax, ay, aw, ah = s.extents(area)
        if x >= screen.width_in_pixels:
            target = (min(ax + aw, screen.width_in_pixels) - 3 * thickness, min(ay + ah, screen.height_in_pixels) - thickness // 2)
        elif x < 0:
            target = (max(ax, 0) + 3 * thickness, min(ay + ah, screen.height_in_pixels) - thickness // 2)
        elif y >= screen.height_in_pixels:
            target = (min(ax + aw, screen.width_in_pixels) - thickness // 2, min(ay + ah, screen.height_in_pixels) - 3 * thickness)
        else:
            target = (min(ax + aw, screen.width_in_pixels) - thickness // 2, max(ay, 0) + 3 * thickness)
        subprocess.run(["xdotool", "mousemove", "--sync", str(target[0]), str(target[1]), "click", "1"], check=True,
                       timeout=10)
        time.sleep(0.3)
    raise Failure(f"{what} at {s.centre(node)} could not be scrolled onto the screen")


def run_scaled(scale):
    def walk(s, problems):
        server, base = start_server()
        entries = [f"{base}/s=1", f"{base}/s=2"]
        seed(s, entries)
        s.start({"QT_SCALE_FACTOR": str(scale)})
        frame = main_window(s)
        s.click(s.button(frame, "Quokka"))
        lst = s.find("list", "Address list", timeout=30, showing=True)
        browser = window_of(lst)
        bx, by, _, _ = s.extents(browser)
        check(bx >= 0 and by >= 0, f"at {scale} the list browser is placed at {bx},{by}, off the screen")
        s.shot(f"scale-{scale}-list-browser")
        s.click(s.find("list item", entries[1], root=lst))
        area = s.find(None, "Quokka windows", showing=True)
        for caption in ("KILL", "Next", "Prev", "Add", "Back", "Forward"):
            scroll_into_screen(s, area, s.button(browser, caption), caption)
        s.shot(f"scale-{scale}-list-browser-scrolled")
        kill = s.button(browser, "KILL")
        scroll_into_screen(s, area, kill, "KILL")
        s.click(kill)
        wait_for("the entry killed", lambda: items(s, lst) == entries[:1], timeout=10)
        s.click(s.button(browser, "Next"))
        wait_for("the first entry chosen", lambda: selected(s, lst) == entries[:1], timeout=10)

        # List View: its title bar lies in the visible part of the frame.
        s.click(s.button(frame, "Show List"))
        stored = s.find("list", "Stored address list", showing=True)
        vx, vy, _, _ = s.extents(window_of(stored))
        check(vx >= 0 and vy >= 0, f"at {scale} List View is placed at {vx},{vy}, off the screen")
        s.shot(f"scale-{scale}-list-view")

        # The browser window: Go, GO> and the animation can be scrolled to.
        s.menu("File", "New Quokka")
        address = s.find("text", "Address", showing=True)
        big = window_of(address)
        s.click_and_type(address, f"{base}/scaled")
        go = s.button(big, "Go")
        controls = s.find(None, "Browser controls", root=big, showing=True)
        scroll_into_screen(s, controls, go, "Go")
        s.click(go)
        s.check_title("scaled")
        scroll_into_screen(s, controls, s.button(big, "GO>"), "GO>")
        scroll_into_screen(s, controls, s.find(None, "Busy animation", root=big), "the busy animation")
        s.shot(f"scale-{scale}-browser-window")
        s.close_box("scaled")
        s.gone("text", "Address")
        s.close_box("Quokka")
        check(s.wait_exit() == 0, "the program did not end after the close box")
        check(read(s.list_file()) == entries[0].encode() + b"\r\n", f"at {scale} the close box wrote {read(s.list_file())!r}")
        server.shutdown()
    walk.__name__ = f"run_scaled_{scale}"
    return walk


def main(program):
    walks = (run_keyboard_and_the_right_entry, run_enter_and_typed_text, run_scaled(1.5), run_scaled(2))
    # QUOKKA_E2E_WALK=name runs that walk alone.
    only = os.environ.get("QUOKKA_E2E_WALK")
    return run_walks(program, [w for w in walks if not only or w.__name__ == only])


if __name__ == "__main__":
    run_inside_session(main, budget=540)
