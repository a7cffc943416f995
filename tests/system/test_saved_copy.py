"""The last good copy of a page in the list browser, with the real mouse and keyboard.

A list of two loopback pages: Next shows the first, whose copy is kept in the data folder; the page is
then gone (404), and coming back to it shows the saved copy under its bar ("Saved copy of ..., The live
page: ..."), with no request for what the copy lacks; Show the Live Page, clicked, shows the live 404
again, and Ctrl+Shift+S the copy once more.  Ctrl+F in the copy finds in the copy.  Ctrl+S in the copy saves the copy (not the live 404), and
Older Copies… lists it.  With the server gone (its port refuses) the copy shows with "cannot be
reached", and Enlarge quokka shows the entry in the browser window by its copy too: Save
Copy As… on its bar writes the copy, Show the Live Page and Page > Saved Copy switch between them.  The
close box writes the list back as it was.

On the wall: Play walks the same two pages round and round, the list browser keeping their copies; the
article dies between two rounds.  When the walk comes back to it, the list browser shows its copy under
the bar with the mark "saved copy, <date>" in the page's corner; then Enlarge quokka takes the walk into
the browser window, full screen, which shows the copy for the delay with the mark when the walk comes
back to the article, and the status says so; the next entry takes the mark away.
"""
import os
import subprocess
import sys
import time
import http.server
import quopri

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from quokka_driver import LocalServer, answer_html, check, copy_files, read, run_inside_session, run_walks, wait_for, window_of  # noqa: E402


class Pages(LocalServer):
    """/article is a page worth keeping until it is made gone; /other is a second page; /missing.png is an
    image the page's copy cannot hold (it is asked for only while the live page shows)."""

    def __init__(self):
        self.gone = False
        self.asked = []
        self.asked_at = []
        pages = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                name = self.path.strip("/")
                pages.asked.append(name)
                pages.asked_at.append(time.monotonic())
                if name == "article" and not pages.gone:
                    body = ("<!doctype html><title>Riverside Dental</title><h1>Riverside Dental</h1>"
                            "<img src=\"/missing.png\" alt=\"our team\"><p>Opening hours: Monday to Friday, 8 to 18. Call us on 555 0100 for an appointment."
                            "</p><p>" + "We look after the whole family's teeth. " * 20 + "</p>").encode()
                    status = 200
                elif name == "other":
                    body = b"<!doctype html><title>Other page</title><h1>Other page</h1><p>Something else.</p>"
                    status = 200
                else:
                    body = b"<!doctype html><title>Not Found</title><h1>Not Found</h1>"
                    status = 404
                answer_html(self, status, body)

        self.start(Handler)


def walk(s, pages, problems):
    listed = (pages.url("article") + "\r\n" + pages.url("other") + "\r\n").encode()
    os.makedirs(os.path.dirname(s.list_file()), exist_ok=True)
    with open(s.list_file(), "wb") as f:
        f.write(listed)
    s.start()
    main = s.find("frame", "Quokka", timeout=30, showing=True)
    s.click(s.button(main, "Quokka"))
    lst = s.find("list", "Address list", timeout=15, showing=True)
    browser = window_of(lst)

    # The good page, seen: its copy is kept.
    s.click(s.button(browser, "Next"))
    wait_for("the article's copy in the data folder", lambda: copy_files(s), timeout=60)
    s.shot("saved-copy-kept")

    # The page is gone; back at it, the copy stands in its place under a bar.
    pages.gone = True
    s.click(s.button(browser, "Next"))
    wait_for("the other page asked for", lambda: "other" in pages.asked, timeout=30)
    asked_before = len(pages.asked)
    s.click(s.button(browser, "Prev"))
    bar = wait_for("the saved copy's bar", lambda: s.find_all("panel", "Saved copy", root=browser, showing=True)
                   or s.find_all(None, "Saved copy", root=browser, showing=True), timeout=60)[0]
    said = bar.description or ""
    print("the bar says:", said)
    check(said.startswith("Saved copy of ") and "The live page: " in said and "404" in said,
          f"the bar says {said!r}")
    s.shot("saved-copy-shown")
    problems += s.unnamed_controls(browser)

    # Ctrl+F from the copy finds in the copy (twenty times "teeth"), not in the live 404 behind it.
    # The copy lies over the live page: a click in the page's place lands in the copy.
    s.click(s.find(None, "Page of the chosen address", root=browser, showing=True))
    s.keys("ctrl+f")
    box = s.find("text", "Find in page", root=browser, showing=True, timeout=10)
    wait_for("the keyboard in the find box", lambda: s.has_focus(box), timeout=5)
    s.type("teeth")
    wait_for("twenty matches in the copy", lambda: [n for n in s.find_all("label", None, root=browser, showing=True)
                                                    if (n.name or "").endswith(" of 20")], timeout=15)
    s.shot("saved-copy-find")
    s.keys("Escape")
    wait_for("the find bar closed", lambda: not s.find_all("text", "Find in page", root=browser, showing=True), timeout=10)
    check([n for n in pages.asked[asked_before:] if n != "favicon.ico"] == ["article"],
          f"while the copy was shown the server was asked for {pages.asked[asked_before:]}")

    # Show the Live Page, clicked with the real mouse: the bar goes, the live page is the 404.
    s.click(s.find("push button", "Show the Live Page", root=browser, showing=True))
    wait_for("the bar gone", lambda: not s.find_all(None, "Saved copy", root=browser, showing=True), timeout=30)
    s.shot("saved-copy-live-page")

    # Ctrl+Shift+S, from the list: the copy again.
    s.click(s.find("list item", pages.url("article"), root=lst))
    s.keys("ctrl+shift+s")
    wait_for("the saved copy's bar again", lambda: s.find_all(None, "Saved copy", root=browser, showing=True),
             timeout=30)

    # Ctrl+S in the page while the copy shows saves the copy, not the live 404 behind it.
    # The copy lies over the live page, inside it: a click on the page lands in the copy.
    s.click(s.find(None, "Page of the chosen address", root=browser, showing=True))
    path = os.path.join(s.home, "riverside copy.mhtml")
    s.keys("ctrl+s")
    s.file_dialog("Save Copy As")
    s.keys("ctrl+a", "BackSpace")
    s.type(path)
    s.keys("Return")
    wait_for(f"the file {path}", lambda: os.path.exists(path) and os.path.getsize(path) > 0, timeout=30)
    saved = quopri.decodestring(read(path))
    check(saved.startswith(b"From:") and b"Opening hours" in saved and b"Not Found" not in saved,
          f"Ctrl+S saved {saved[:200]!r}, not the copy")
    s.find("push button", "Show in Folder", root=browser, showing=True, timeout=15)
    s.shot("saved-copy-saved")

    # Older Copies… on the bar, clicked: the one copy with its date; Open shows it.
    s.click(s.find("push button", "Older Copies…", root=browser, showing=True))
    dialog = s.find("dialog", "Older Copies", timeout=30, showing=True)
    copies = s.find("list", "Saved copies, newest first", root=dialog, showing=True)
    check(copies.childCount == 1, f"Older Copies lists {copies.childCount} copies")
    problems += s.unnamed_controls(dialog)
    s.shot("saved-copy-older-copies")
    s.click(s.find("push button", "Open", root=dialog, showing=True))
    s.gone("dialog", "Older Copies")
    # The same from the list by keyboard: Ctrl+Shift+O, and Esc closes it.
    s.click(s.find("list item", pages.url("article"), root=lst))
    s.keys("ctrl+shift+o")
    s.find("list", "Saved copies, newest first", root=s.find("dialog", "Older Copies", timeout=30, showing=True),
           showing=True)
    s.keys("Escape")
    s.gone("dialog", "Older Copies")

    # No network at all: the server has gone and its port refuses; the article comes back as its copy.
    pages.close()
    s.click(s.button(browser, "Next"))
    s.click(s.button(browser, "Prev"))
    unreachable = wait_for("the bar of a page that cannot be reached", lambda: [
        b for b in s.find_all(None, "Saved copy", root=browser, showing=True)
        if "The live page: cannot be reached." in (b.description or "")], timeout=60)[0]
    print("the bar says:", unreachable.description)
    s.shot("saved-copy-unreachable")

    # Enlarge quokka: the browser window shows the entry, whose live page cannot be reached, by its copy too.
    s.click(s.button(main, "Enlarge quokka"))
    big = window_of(s.find("text", "Address", showing=True))
    big_bar = wait_for("the saved copy's bar in the browser window",
                       lambda: s.find_all(None, "Saved copy", root=big, showing=True), timeout=60)[0]
    said = big_bar.description or ""
    print("the browser window's bar says:", said)
    check(said.startswith("Saved copy of ") and said.endswith("The live page: cannot be reached."),
          f"the browser window's bar says {said!r}")
    s.shot("saved-copy-browser-window")
    problems += s.unnamed_controls(big)

    # Save Copy As… on its bar, with the real mouse.
    big_path = os.path.join(s.home, "from the browser window.mhtml")
    s.save_through_dialog(s.find("push button", "Save Copy As…", root=big, showing=True), "Save Copy As", big_path,
                          timeout=30)
    wait_for("the copy written whole", lambda: b"Opening hours" in quopri.decodestring(read(big_path)), timeout=30)

    # Show the Live Page there: the bar goes; the Page menu's Saved Copy brings the copy back.
    s.click(s.find("push button", "Show the Live Page", root=big, showing=True))
    wait_for("the browser window's bar gone", lambda: not s.find_all(None, "Saved copy", root=big, showing=True),
             timeout=30)
    # The Page menu opened with the real mouse; Saved Copy there, by its letter, brings the copy back.
    s.click(s.find("menu item", "Page", root=big, showing=True))
    s.find("menu item", "Saved Copy", timeout=15, showing=True)
    s.shot("saved-copy-page-menu")
    s.keys("c")
    wait_for("the browser window's bar again", lambda: s.find_all(None, "Saved copy", root=big, showing=True),
             timeout=30)
    s.shot("saved-copy-browser-window-again")
    s.close_box(big.name)
    s.gone("text", "Address")

    s.close_box("Quokka")
    check(s.wait_exit(timeout=60) == 0, "the program did not end cleanly")
    check(read(s.list_file()) == listed, f"the list came back as {read(s.list_file())!r}")


def play_status(s, browser):
    """The play status, as a screen reader reads it (its description says what it is about)."""
    for n in s.find_all("label", root=browser):
        try:
            if n.description == "Playing the list":
                return n.name or ""
        except Exception:
            pass
    return ""


def wall(s, pages, problems):
    pages.gone = False
    delay = 3
    config = os.path.join(s.home, ".config")
    os.makedirs(os.path.join(config, "quokka"))
    with open(os.path.join(config, "quokka", "play.conf"), "w") as f:
        f.write(f"delay={delay}\natEnd=loop\npageTimeout=10\n")
    os.makedirs(os.path.dirname(s.list_file()), exist_ok=True)
    with open(s.list_file(), "wb") as f:
        f.write((pages.url("article") + "\r\n" + pages.url("other") + "\r\n").encode())
    s.start({"XDG_CONFIG_HOME": config})
    main = s.find("frame", "Quokka", timeout=30, showing=True)
    s.click(s.button(main, "Quokka"))
    lst = s.find("list", "Address list", timeout=15, showing=True)
    browser = window_of(lst)

    # Play: the list browser keeps the good pages as they come by.
    s.click(s.button(browser, "Play"))
    wait_for("both pages' copies in the data folder", lambda: len(copy_files(s)) >= 2, timeout=90)

    # Between two rounds the article dies; when the walk comes back to it, its copy shows.
    pages.gone = True

    def marks(root):
        return [n for n in s.find_all("label", None, root=root, showing=True) if (n.name or "").startswith("saved copy, ")]
    wait_for("the saved copy's mark in the list browser", lambda: marks(browser), timeout=90)
    check(s.find_all(None, "Saved copy", root=browser, showing=True), "the list browser shows the mark without the bar")
    s.shot("list-browser-play-saved-copy")

    # The wall display: the browser window, full screen, the keyboard given as a window manager gives it.
    s.click(s.button(main, "Enlarge quokka"))
    big = wait_for("the browser window", lambda: next((w for w in s.windows() if w.getRoleName() == "frame"
                                                       and w.name != "Quokka"
                                                       and s.find_all(None, "Web page", root=w, showing=True)),
                                                      None), timeout=30)
    page = s.find(None, "Web page", root=big, showing=True)
    wid = s.x_window_of(page)
    subprocess.run(["xdotool", "windowfocus", "--sync", str(wid)], check=True, timeout=10)
    s.keys("F11")
    screen = s.x_display().screen()
    subprocess.run(["xdotool", "windowmove", "--sync", str(wid), "0", "0", "windowsize", "--sync", str(wid),
                    str(screen.width_in_pixels), str(screen.height_in_pixels)], timeout=10)
    wait_for("the wall to show the other page", lambda: "Other page" in (big.name or ""), timeout=60)

    # Back at the article, the wall shows its copy.
    wall_from = len(pages.asked)
    mark = wait_for("the saved copy's mark on the wall", lambda: marks(big), timeout=90)[0]
    seen_at = time.monotonic()
    check("article" in pages.asked[wall_from:], f"the dead page was not asked for again: {pages.asked[wall_from:]}")
    dead_asked = max(t for n, t in zip(pages.asked[wall_from:], pages.asked_at[wall_from:]) if n == "article")
    print(f"the mark showed on the wall {seen_at - dead_asked:.2f} s after the dead page was last asked for "
          "(looked for every 0.2 s)")
    told = wait_for("the status to say the copy shows",
                    lambda: (lambda t: t if "showing the saved copy of" in t else None)(play_status(s, browser)), timeout=10)
    print("the mark says:", mark.name, "; the status:", told)
    check(mark.name[len("saved copy, "):] in told, f"the mark {mark.name!r} and the status {told!r} differ")
    e = mark.queryComponent().getExtents(s.pyatspi.DESKTOP_COORDS)
    print("mark at", e.x, e.y, e.width, e.height)
    check(e.x < 40 and e.y + e.height > screen.height_in_pixels - 40 and e.width < screen.width_in_pixels // 3,
          f"the mark is not a small one in the bottom left corner: {e.x}, {e.y}, {e.width} x {e.height}")
    s.shot("wall-saved-copy")

    # The next entry, live: the mark goes.
    wait_for("the mark gone with the next entry", lambda: not marks(big), timeout=delay + 60)
    wait_for("the wall to show the other page again", lambda: "Other page" in (big.name or ""), timeout=60)
    s.shot("wall-after-saved-copy")
    check(play_status(s, browser).startswith("Playing"), f"the walk stopped: {play_status(s, browser)!r}")


def main(program):
    # Each walk has a server of its own: the first one ends with its server gone.
    pages = Pages()
    wall_pages = Pages()
    try:
        return run_walks(program, (lambda s, problems: walk(s, pages, problems),
                                   lambda s, problems: wall(s, wall_pages, problems)))
    finally:
        pages.close()
        wall_pages.close()


if __name__ == "__main__":
    run_inside_session(main, budget=480)
