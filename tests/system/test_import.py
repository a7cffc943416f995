"""Lists in and out with the real mouse and keyboard: List > Import Addresses... reads a browser's bookmarks
export through the file dialog and says what it found before anything changes, Add asks and adds the new
addresses, Ctrl+Shift+V in the list browser pastes the addresses copied from a text box, Export List...
writes plain text with LF line ends, and the list file gets the grown list when the frame closes.  A link
dragged out of another program (as Firefox offers one, with its title) and a bookmarks file dragged out of a
file manager land on the list browser's list by XDND with the real mouse, and so do a link and a selection
dragged out of a page in Quokka's own browser window (the web engine's own drag).  A list of 60 MiB shows how
far its read is while the other windows answer, and Cancel stops it.
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from quokka_driver import LocalServer, check, read, run_inside_session, run_walks, wait_for, window_of  # noqa: E402


def entries_of(s, lst):
    return [n.name for n in s.find_all("list item", root=lst)]


def through_file_dialog(s, title, path):
    """Types @path into the name box of the file dialog titled @title, by keyboard, and presses Enter."""
    s.file_dialog(title)
    s.keys("ctrl+a", "BackSpace")
    s.type(path)
    s.keys("Return")


def one_entry(s):
    os.makedirs(os.path.dirname(s.list_file()), exist_ok=True)
    with open(s.list_file(), "wb") as f:
        f.write(b"https://www.example.org/\r\n")


def one_entry_and_bookmarks(s, sample, name):
    """A list of one entry, and a copy of the sample bookmarks file @sample in the home as @name; its path."""
    one_entry(s)
    path = os.path.join(s.home, name)
    with open(path, "wb") as f:
        f.write(read(os.path.join(os.environ["QUOKKA_SOURCE_DIR"], "tests/testdata/listformats", sample)))
    return path


def import_paste_export(s, problems):
    bookmarks = one_entry_and_bookmarks(s, "firefox-bookmarks.html", "bookmarks.html")

    s.start()
    s.find("frame", "Quokka", timeout=30, showing=True)
    s.menu("List", "Import Addresses…")
    through_file_dialog(s, "Import Addresses", bookmarks)
    summary = wait_for("the import's summary", lambda: [n for n in s.find_all("label", showing=True)
                                                        if (n.name or "").startswith("4 addresses found")], timeout=20)[0]
    check(summary.name == "4 addresses found, 1 already in the list", f"the import says {summary.name!r}")
    window = window_of(summary)
    lst = s.find("list", "Address list", timeout=20, showing=True)
    problems += s.unnamed_controls(window)
    check(entries_of(s, lst) == ["https://www.example.org/"], "the list changed before Add")
    s.shot("import-summary")
    s.click(s.find("push button", "Add the new addresses to the list", root=window, showing=True))
    check(s.answer_alert("OK", "Would you like to add 3 addresses to the list?") == "Add all", "Add did not ask")
    added = ["https://www.example.org/", "https://www.mozilla.org/en-US/firefox/central/",
             "https://cooking.example/search?q=plum&sort=new",
             "https://ja.wikipedia.org/wiki/%E3%82%AB%E3%83%B3%E3%82%AC%E3%83%AB%E3%83%BC"]
    wait_for("the bookmarks in the list", lambda: entries_of(s, lst) == added, timeout=10)
    s.shot("import-added")

    # Paste: addresses copied from a text box of the program itself, then Ctrl+Shift+V on the list.
    box = s.find("text", "Chosen address", showing=True)
    s.click(box)
    s.keys("ctrl+a", "BackSpace")
    s.type("see https://pasted.example/one and https://www.example.org/")
    s.keys("ctrl+a", "ctrl+c")
    s.click(s.find("list item", added[0], root=lst, showing=True))
    s.keys("ctrl+shift+v")
    check(s.answer_alert("OK", "2 addresses found, 1 already in the list in the clipboard.\n\nAdd 1 address to the list?")
          == "Paste Addresses", "Paste did not ask")
    added.append("https://pasted.example/one")
    wait_for("the pasted address in the list", lambda: entries_of(s, lst) == added, timeout=10)

    exported = os.path.join(s.home, "exported.txt")
    s.menu("List", "Export List…")
    through_file_dialog(s, "Export List", exported)
    wait_for(f"the file {exported}", lambda: os.path.exists(exported), timeout=15)
    check(read(exported) == "".join(a + "\n" for a in added).encode(), f"the export holds {read(exported)!r}")
    s.shot("export-done")

    s.close_box("Quokka")
    rc = s.wait_exit()
    check(rc == 0, f"the program ended with {rc} after the close box")
    check(read(s.list_file()) == "".join(a + "\r\n" for a in added).encode(),
          f"after the close box the list file holds {read(s.list_file())!r}")
    check(b"Wikipedia" in read(s.list_file() + ".titles"), "the bookmarks' titles were not kept beside the list")


def drags_from_other_programs(s, problems):
    # A file manager offers a file:// address, percent-encoded: the name has a blank and a non-ASCII letter.
    bookmarks = one_entry_and_bookmarks(s, "chrome-bookmarks.html", "Lesezeichen März.html")

    s.start()
    main = s.find("frame", "Quokka", timeout=30, showing=True)
    s.click(s.button(main, "Quokka"))  # the toolbar's button: the list browser
    lst = s.find("list", "Address list", timeout=20, showing=True)
    wait_for("the list", lambda: entries_of(s, lst) == ["https://www.example.org/"])
    # The other program's window at the foot of the screen, over Quokka's but away from the list, as a
    # person puts two windows side by side; drag_in checks that the list stays uncovered.
    place = (40, 1024 - 120)

    link = "https://dragged.example/page?a=1&b=%C3%A4"
    ended = s.drag_in(["link", link, "Gezogen – eine Seite"], place, lst)
    check(ended == "drag-end copy", f"the link's drag ended with {ended!r}")
    wait_for("the dragged link in the list", lambda: entries_of(s, lst) == ["https://www.example.org/", link], timeout=10)
    item = s.find("list item", link, root=lst)
    check((item.description or "").startswith("Gezogen – eine Seite"),
          f"a screen reader reads the dragged link as {item.description!r}, not by the title the browser gave it")
    s.shot("drag-link")

    ended = s.drag_in(["file", bookmarks], place, lst)
    check(ended == "drag-end copy", f"the file's drag ended with {ended!r}")
    summary = wait_for("the dropped file's import", lambda: [n for n in s.find_all("label", showing=True)
                                                             if "addresses found" in (n.name or "")], timeout=20)[0]
    window = window_of(summary)
    problems += s.unnamed_controls(window)
    check(entries_of(s, lst) == ["https://www.example.org/", link], "the dropped file changed the list before Add")
    s.shot("drag-file")
    s.click(s.find("push button", "Add the new addresses to the list", root=window, showing=True))
    check(s.answer_alert("OK").startswith("Add all"), "Add did not ask")
    wait_for("the file's bookmarks in the list", lambda: len(entries_of(s, lst)) > 2, timeout=10)
    grown = entries_of(s, lst)

    s.close_box("Quokka")
    rc = s.wait_exit()
    check(rc == 0, f"the program ended with {rc} after the close box")
    check(read(s.list_file()) == "".join(a + "\r\n" for a in grown).encode(),
          f"after the close box the list file holds {read(s.list_file())!r}")
    check("Gezogen – eine Seite" in read(s.list_file() + ".titles").decode(), "the dragged link's title was not kept")


def large_import_shows_progress_and_cancels(s, problems):
    """A list of 58 MiB (an import takes 64 at most): the window comes up at once with how far the read
    is, Quokka's other windows go on answering, and Cancel (clicked with the real mouse) stops it, the list as it
    was."""
    one_entry(s)
    path = os.path.join(s.home, "everything.txt")
    with open(path, "wb") as f:
        f.write(b"".join(b"https://site%d.example/some/longer/path/%d\n" % (i, i) for i in range(1200000)))
    s.start()
    s.find("frame", "Quokka", timeout=30, showing=True)
    lst_button = s.button(s.find("frame", "Quokka", showing=True), "Quokka")
    s.click(lst_button)
    lst = s.find("list", "Address list", timeout=20, showing=True)
    s.menu("List", "Import Addresses…")
    through_file_dialog(s, "Import Addresses", path)
    bar = s.find("progress bar", "Reading the file", timeout=20, showing=True)
    window = window_of(bar)
    problems += s.unnamed_controls(window)
    stage = wait_for("the stage of the read", lambda: [n.name for n in s.find_all("label", root=window, showing=True)
                                                       if (n.name or "").endswith("\u2026")], timeout=10)[0]
    check(stage.startswith(("Reading", "Finding", "Comparing")), f"while reading the window says {stage!r}")
    s.shot("import-reading")
    # The list browser answers while the file is read: its list takes the keyboard and moves its selection.
    s.click(s.find("list item", "https://www.example.org/", root=lst, showing=True))
    check(bar.getState().contains(s.pyatspi.STATE_SHOWING), "the read ended before the list was clicked: no progress to cancel")
    s.click(s.find("push button", "Cancel", root=window, showing=True))
    wait_for("the import window to go", lambda: not s.find_all("progress bar", "Reading the file", showing=True), timeout=10)
    check(not [n for n in s.find_all("alert", showing=True)], "Cancel brought up a message")
    check(entries_of(s, lst) == ["https://www.example.org/"], "the cancelled import changed the list")
    s.close_box("Quokka")
    check(s.wait_exit() == 0, "the program did not end cleanly after the cancelled import")
    check(read(s.list_file()) == b"https://www.example.org/\r\n", f"after the close box the list file holds {read(s.list_file())!r}")


# Laid out at fixed places in the page (CSS pixels are the screen's here): the link in the first 60 pixels, the
# paragraph below it from 100 to 160.
LINKS = ("<!doctype html><html><head><meta charset='utf-8'><title>Links</title></head>"
         "<body style='margin:0;font-size:28px'>"
         "<a href='/second' style='position:absolute;left:0;top:0;height:60px;width:600px'>Second page – zweite Seite</a>"
         "<p style='position:absolute;left:0;top:100px;height:60px;margin:0;white-space:nowrap'>"
         "Some text with <a href='https://elsewhere.example/x'>a link</a> and https://written.example/y here.</p>"
         "</body></html>").encode()


def drags_from_a_page(s, problems):
    import http.server

    class Pages(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            self.send_response(200)
            self.send_header("Content-Type", "text/html; charset=utf-8")
            self.send_header("Content-Length", str(len(LINKS)))
            self.end_headers()
            self.wfile.write(LINKS)

    server = LocalServer()
    server.start(Pages)
    try:
        one_entry(s)
        s.start()
        main = s.find("frame", "Quokka", timeout=30, showing=True)
        s.click(s.button(main, "Quokka"))
        lst = s.find("list", "Address list", timeout=20, showing=True)
        s.menu("Browser", "Big")
        address = s.find("text", "Address", showing=True, timeout=20)
        big = window_of(address)
        s.click(address)
        s.keys("ctrl+a", "BackSpace")
        s.type(server.url("links") + "\n")
        wait_for("the page of links", lambda: big.name == "Links", timeout=30)
        # The browser window beside the list browser's list, as a person places it with a window manager.
        wid = str(s.x_window_of(address))
        subprocess.run(["xdotool", "windowmove", "--sync", wid, "480", "440", "windowsize", "--sync", wid, "780", "560"],
                       check=True, timeout=10)
        page = s.find(None, "Web page", root=big, showing=True)
        left, top = wait_for("the page in its new place", lambda: (lambda e: e[:2] if e[0] >= 480 else None)(s.extents(page)))
        s.drag(left + 100, top + 30, lst)
        second = server.url("second")
        wait_for("the page's link in the list", lambda: entries_of(s, lst) == ["https://www.example.org/", second], timeout=10)
        item = s.find("list item", second, root=lst)
        check((item.description or "").startswith("Second page – zweite Seite"),
              f"a screen reader reads the link dragged from the page as {item.description!r}")

        # The paragraph chosen by a triple click at its start, then dragged: its link and the address in its text.
        subprocess.run(["xdotool", "mousemove", "--sync", str(left + 12), str(top + 130), "click", "--repeat", "3",
                        "--delay", "80", "1"], check=True, timeout=10)
        time.sleep(0.5)
        s.drag(left + 30, top + 130, lst)
        wait_for("the selection's addresses in the list", lambda: entries_of(s, lst) == [
            "https://www.example.org/", second, "https://elsewhere.example/x", "https://written.example/y"], timeout=10)
        s.shot("drag-from-page")
        s.close_box("Quokka")
        s.close_box("Links")  # the browser window stands on its own: the program ends with it
        check(s.wait_exit() == 0, "the program did not end cleanly after the drags")
        check(read(s.list_file()).split(b"\r\n")[-3:] == [b"https://elsewhere.example/x", b"https://written.example/y", b""],
              f"after the close boxes the list file holds {read(s.list_file())!r}")
    finally:
        server.close()


def main(program):
    return run_walks(program, (import_paste_export, drags_from_other_programs, drags_from_a_page,
                               large_import_shows_progress_and_cancels))


if __name__ == "__main__":
    run_inside_session(main)
