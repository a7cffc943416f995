"""Export List to a folder, with the real mouse and keyboard.

A list of two loopback pages and one that is gone: Next shows each, and the good pages' copies are kept.
List > Export List..., "A folder with saved copies" chosen in the file dialog's type box with the mouse
and a new folder's name typed: the folder holds the list, an .mhtml copy of each good page and an
index.html that links them, the gone page listed without one; the message says so.
"""
import os
import sys
import http.server

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from quokka_driver import LocalServer, answer_html, check, copy_files, read, run_inside_session, run_walks, wait_for, window_of  # noqa: E402


class Pages(LocalServer):
    """/dental and /docs are pages worth keeping, titled with marks an index must escape; /gone is a 404."""

    def __init__(self):
        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                name = self.path.strip("/")
                if name == "dental":
                    body = (b"<!doctype html><title>Riverside Dental & <Sons></title><h1>Riverside Dental</h1>"
                            b"<p>Opening hours: Monday to Friday, 8 to 18.</p>")
                    status = 200
                elif name == "docs":
                    body = b"<!doctype html><title>Qt 6 documentation</title><h1>QWebEngineView</h1><p>Shows pages.</p>"
                    status = 200
                else:
                    body = b"<!doctype html><title>Not Found</title><h1>Not Found</h1>"
                    status = 404
                answer_html(self, status, body)

        self.start(Handler)


def walk(s, pages, problems):
    listed = [pages.url("dental"), pages.url("docs"), pages.url("gone")]
    os.makedirs(os.path.dirname(s.list_file()), exist_ok=True)
    with open(s.list_file(), "wb") as f:
        f.write("".join(a + "\r\n" for a in listed).encode())
    s.start()
    main = s.find("frame", "Quokka", timeout=30, showing=True)
    s.click(s.button(main, "Quokka"))
    lst = s.find("list", "Address list", timeout=15, showing=True)
    browser = window_of(lst)
    for kept in (1, 2):
        s.click(s.button(browser, "Next"))
        wait_for(f"{kept} copies in the data folder", lambda: len(copy_files(s)) >= kept, timeout=60)
    s.click(s.button(browser, "Next"))

    folder = os.path.join(s.home, "my list")
    s.menu("List", "Export List…")
    dialog = s.file_dialog("Export List")
    types = [n for n in s.walk(dialog, limit=12, into_pages=False) if n.getRoleName() == "combo box"
             and "Plain text" in (n.name or "")]
    check(bool(types), "the file dialog has no type box showing the formats")
    s.click(types[0])
    # The type box's list opens over the dialog; the last choice is the folder's, taken by keyboard.
    wait_for("the type box's list", lambda: s.find_all(None, "A folder with saved copies (index.html)", showing=True),
             timeout=15)
    s.keys("End", "Return")
    wait_for("the folder choice in the type box", lambda: any(
        n.getRoleName() == "combo box" and (n.name or "").startswith("A folder with saved copies")
        for n in s.walk(dialog, limit=12, into_pages=False)), timeout=15)
    # The name box, clicked: a new folder's name typed in place of the file's.
    name_box = [n for n in s.walk(dialog, limit=12, into_pages=False) if n.getRoleName() == "text"
                and n.getState().contains(s.pyatspi.STATE_EDITABLE)][0]
    s.click_and_type(name_box, folder)
    s.shot("export-folder-dialog")
    s.keys("Return")
    s.find("alert", None, timeout=60, showing=True)
    s.shot("export-folder-message")
    said = s.answer_alert("OK")
    check(said == "List exported", f"the export ended with the message {said!r}")
    s.shot("export-folder-done")

    index = os.path.join(folder, "index.html")
    check(os.path.isfile(index), f"no index.html in {folder}: {os.listdir(folder) if os.path.isdir(folder) else 'no folder'}")
    html = read(index).decode()
    pages_written = sorted(os.listdir(os.path.join(folder, "pages")))
    print("the export's pages:", pages_written)
    check(len(pages_written) == 2 and all(p.endswith(".mhtml") for p in pages_written), f"the pages are {pages_written}")
    check(read(os.path.join(folder, "list.txt")) == "".join(a + "\n" for a in listed).encode(),
          f"list.txt holds {read(os.path.join(folder, 'list.txt'))!r}")
    check("Riverside Dental &amp; &lt;Sons&gt;" in html, "the dental page's title is not in the index, escaped")
    check(html.count('href="pages/') == 2, "the index does not link both copies")
    check(b"Opening hours" in read(os.path.join(folder, "pages", pages_written[0])), "the copy is not the page")

    s.close_box("Quokka")
    check(s.wait_exit(timeout=60) == 0, "the program did not end cleanly")


def main(program):
    pages = Pages()
    try:
        return run_walks(program, (lambda s, problems: walk(s, pages, problems),))
    finally:
        pages.close()


if __name__ == "__main__":
    run_inside_session(main, budget=300)
