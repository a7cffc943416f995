"""The Gallery of a checked list, with the real mouse and keyboard.

Five loopback pages: three parked at one sale service and two blogs of one design. After Check List,
List > Gallery shows a tile for each; Take Pictures fills in their pictures; "Group alike pages" puts
the parked pages under one tile ("3 pages look like this") and leaves the blogs apart; a click opens
the group, Esc goes back; Delete on the group asks with the count and removes its entries, Ctrl+Z
brings them back; a click on a blog shows it in the list browser; Export Gallery writes the page.
The close box writes the list back as it was.
"""
import os
import sys
import http.server

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from quokka_driver import LocalServer, check, read, run_inside_session, run_walks, wait_for, window_of  # noqa: E402

PARKED = ["bluefinch", "oldtown", "mapleleaf"]
BLOGS = ["Wandering Fox", "Kitchen Notes"]
# Two sites of one design say different things.
WORDS = {"Wandering Fox": "Long walks along the coast, with maps of each path, photographs of the cliffs and notes on tides. ",
         "Kitchen Notes": "Recipes for bread and soup, a weekly shopping list, and what went wrong with the sourdough. "}


class Pages(LocalServer):
    def __init__(self):
        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                name = self.path.strip("/")
                if name.startswith("parked-"):
                    domain = name[len("parked-"):] + ".com"
                    body = ("<!doctype html><title>" + domain + " is for sale</title><style>body{margin:0;font-family:sans-serif}"
                            ".bar{background:#0b3b60;height:64px}.o{text-align:center;padding-top:90px}"
                            ".b{display:inline-block;background:#f39200;color:#fff;padding:18px 80px}</style>"
                            "<div class=bar></div><div class=o><h1>" + domain + "</h1><p>This domain may be for sale. The owner "
                            "is offering it for sale.</p><a class=b>Buy now</a></div>")
                elif name.startswith("blog-"):
                    title = next(b for b in BLOGS if b.replace(" ", "").lower() == name[len("blog-"):])
                    body = ("<!doctype html><title>" + title + " - a blog</title><style>body{margin:0;background:#f1f1f1}"
                            ".h{background:#222;color:#fff;font-size:30px;padding:28px}.p{background:#fff;margin:20px}</style>"
                            "<div class=h>" + title + "</div><div class=p><h2>Notes from " + title + "</h2><p>"
                            + WORDS[title] * 8 + "</p></div>")
                else:
                    self.send_response(404)
                    self.end_headers()
                    return
                data = body.encode()
                self.send_response(200)
                self.send_header("Content-Type", "text/html")
                self.send_header("Content-Length", str(len(data)))
                self.end_headers()
                self.wfile.write(data)

        self.start(Handler)


def tiles(s, view):
    return [n.name for n in s.find_all("list item", root=view)]


def walk(s, pages, problems):
    entries = [pages.url("parked-" + p) for p in PARKED[:2]] + [pages.url("blog-wanderingfox"), pages.url("parked-" + PARKED[2]),
                                                                pages.url("blog-kitchennotes")]
    listed = ("\r\n".join(entries) + "\r\n").encode()
    os.makedirs(os.path.dirname(s.list_file()), exist_ok=True)
    with open(s.list_file(), "wb") as f:
        f.write(listed)
    s.start()
    s.find("frame", "Quokka", timeout=30, showing=True)
    s.menu("List", "Check List")
    check_window = s.find("frame", "Check List", timeout=30, showing=True)
    wait_for("the check's summary", lambda: [n for n in s.find_all("label", root=check_window)
                                             if (n.name or "").startswith("Checked ")], timeout=90)

    s.menu("List", "Gallery")
    view = s.find("list", "Pages", timeout=30, showing=True)
    gallery = window_of(view)
    wait_for("a tile for each entry", lambda: len(tiles(s, view)) == 5, timeout=30)
    print("tiles:", tiles(s, view))
    s.click(s.button(gallery, "Take Pictures"))
    pictures = os.path.join(s.home, ".cache", "quokka", "pictures")
    wait_for("a picture of each page", lambda: os.path.isdir(pictures) and len(os.listdir(pictures)) == 5, timeout=180)
    wait_for("the tiles dated", lambda: all("no picture yet" not in t for t in tiles(s, view)), timeout=60)
    s.shot("gallery-pictures")
    problems += s.unnamed_controls(gallery)

    s.click(s.find("check box", "Group alike pages", root=gallery, showing=True))
    wait_for("the parked pages under one tile", lambda: len(tiles(s, view)) == 3
             and any(t.startswith("3 pages look like this") for t in tiles(s, view)), timeout=60)
    s.shot("gallery-grouped")
    check(sum(1 for t in tiles(s, view) if " - a blog" in t) == 2, f"the blogs were put together: {tiles(s, view)}")

    # The group, clicked, shows its entries; Esc goes back to the groups.
    group = next(n for n in s.find_all("list item", root=view) if n.name.startswith("3 pages look like this"))
    s.click(group)
    wait_for("the group's entries", lambda: len(tiles(s, view)) == 3 and all("is for sale" in t for t in tiles(s, view)), timeout=20)
    s.keys("Escape")
    wait_for("the groups again", lambda: len(tiles(s, view)) == 3 and any(t.startswith("3 pages") for t in tiles(s, view)), timeout=20)

    # Delete on the group (the first tile: Home) asks with the count and removes all three.
    s.keys("Home", "Delete")
    s.answer_alert("OK", text="Remove 3 entries from the list?\n\nUndo List Change (Ctrl+Z) brings them back.")
    wait_for("the group gone", lambda: len(tiles(s, view)) == 2, timeout=20)
    s.shot("gallery-group-removed")
    s.switch_to("Quokka")
    s.keys("ctrl+z")
    wait_for("the group back", lambda: len(tiles(s, view)) == 3, timeout=20)

    # A click on a blog shows it in the list browser, chosen there.
    blog = next(n for n in s.find_all("list item", root=view) if n.name.startswith("Kitchen Notes"))
    s.click(blog)
    lst = s.find("list", "Address list", timeout=15, showing=True)
    wait_for("the blog chosen in the list browser", lambda: [n for n in s.find_all("list item", root=lst)
                                                             if n.getState().contains(s.pyatspi.STATE_SELECTED)
                                                             and n.name == entries[4]], timeout=20)

    # Export Gallery: one page with the pictures inside.
    s.menu("List", "Gallery")
    exported = os.path.join(s.home, "gallery.html")
    s.save_through_dialog(s.button(gallery, "Export Gallery…"), "Export Gallery", exported, timeout=60)
    page = read(exported)
    check(page.count(b"<img ") == 3 and b"3 pages look like this" in page, "the exported page lacks its tiles")

    s.close_box("Quokka")
    check(s.wait_exit(timeout=60) == 0, "the program did not end cleanly")
    check(read(s.list_file()) == listed, f"the list came back as {read(s.list_file())!r}")


def main(program):
    pages = Pages()
    try:
        return run_walks(program, (lambda s, problems: walk(s, pages, problems),))
    finally:
        pages.close()


if __name__ == "__main__":
    run_inside_session(main, budget=420)
