"""Check List walked with the real mouse and keyboard: Ctrl+K starts a check of the working list, the
Check List window shows progress while it runs and the summary at the end, the entries of the list
browser and of the List view carry their verdicts (read by a screen reader after the entry's name),
Remove Dead and Replace Moved ask first and change the working list, Save Report writes a CSV file, and
the list file gets the changed list when the frame closes; a check in progress shows in the list browser
too, with a Cancel that stops it.
"""
import http.server
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from quokka_driver import LocalServer, check, read, run_inside_session, run_walks, wait_for, window_of  # noqa: E402


class CheckPages(LocalServer):
    """/alive answers 200, /slow 200 after three seconds, /notfound 404, /moved 301 to /alive."""

    def __init__(self):
        pages = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def answer(self, body):
                path = self.path.split("?")[0]
                if path == "/slow":
                    time.sleep(3)
                if path == "/moved":
                    self.send_response(301)
                    self.send_header("Location", "/alive")
                    self.send_header("Content-Length", "0")
                    self.end_headers()
                    return
                status = 404 if path == "/notfound" else 200
                data = f"<!doctype html><title>{path}</title><p>{path}</p>".encode()
                self.send_response(status)
                self.send_header("Content-Type", "text/html; charset=utf-8")
                self.send_header("Content-Length", str(len(data)))
                self.end_headers()
                if body:
                    self.wfile.write(data)

            def do_GET(self):
                self.answer(True)

            def do_HEAD(self):
                self.answer(False)

        self.start(Handler)


def items(s, lst):
    """Each entry with its verdict's word, as a screen reader reads them (the reason follows the word)."""
    return [(n.name, (n.description or "").split(":")[0]) for n in s.find_all("list item", root=lst)]


def descriptions(s, lst):
    return [n.description for n in s.find_all("list item", root=lst)]


def selected(s, lst):
    return [n.name for n in s.find_all("list item", root=lst) if n.getState().contains(s.pyatspi.STATE_SELECTED)]


def summary_of(s, window):
    return " ".join(n.name for n in s.find_all("label", root=window) if (n.name or "").startswith(("Checked ", "Removed ", "Replaced ")))


def check_list(s, pages, problems):
    entries = [pages.url("alive"), pages.url("notfound"), pages.url("moved"), "javascript:void(0)",
               pages.url("slow")]
    os.makedirs(os.path.dirname(s.list_file()), exist_ok=True)
    with open(s.list_file(), "wb") as f:
        f.write("".join(e + "\r\n" for e in entries).encode())

    s.start()
    frame = s.find("frame", "Quokka", timeout=30, showing=True)
    # The shortcut, typed into the frame as a person would.
    s.click(s.find(None, "Quokka windows", root=frame, showing=True))
    s.keys("ctrl+k")
    window = window_of(s.find("progress bar", "Check progress", timeout=20, showing=True))
    problems += s.unnamed_controls(window)
    wait_for("progress in words", lambda: any("so far" in (n.name or "") for n in s.find_all("label", root=window)),
             timeout=20)
    s.shot("check-running")
    summary = wait_for("the summary", lambda: [n.name for n in s.find_all("label", root=window)
                                                 if (n.name or "").startswith("Checked ")], timeout=90)[0]
    check("2 alive, 1 moved, 1 dead, 1 skipped" in summary, f"the summary says {summary!r}")
    s.shot("check-finished")

    lst = s.find("list", "Address list", timeout=15, showing=True)
    wait_for("the verdicts on the list browser's entries",
             lambda: items(s, lst) == [(entries[0], "alive"), (entries[1], "dead"), (entries[2], "moved"),
                                       (entries[3], "skipped"), (entries[4], "alive")], timeout=10)
    check(descriptions(s, lst)[1].startswith("dead: not found (404)"), f"a screen reader reads {descriptions(s, lst)[1]!r}")
    s.shot("check-marks-list-browser")

    # The entry the person is at stays where it is through Remove Dead.
    s.click(s.find("list item", entries[2], root=lst, showing=True))
    wait_for("the entry chosen", lambda: selected(s, lst) == [entries[2]], timeout=10)
    s.click(s.button(window, "Remove Dead"))
    check(s.answer_alert("OK", "Remove the dead entry from the list?") == "Remove Dead", "Remove Dead did not ask")
    wait_for("the dead entry gone", lambda: [n for n, _ in items(s, lst)] == [entries[0], entries[2], entries[3], entries[4]])
    check(selected(s, lst) == [entries[2]], f"after Remove Dead the selection is {selected(s, lst)}")
    wait_for("the summary after Remove Dead",
             lambda: summary_of(s, window) == "Removed 1 dead entry. The list now holds 4 entries: 2 alive, 1 moved, 1 skipped.",
             timeout=10)
    s.click(s.button(window, "Replace Moved"))
    check(s.answer_alert("OK", "Replace the moved entry by its new address?") == "Replace Moved", "Replace Moved did not ask")
    changed = [entries[0], pages.url("alive"), entries[3], entries[4]]
    wait_for("the moved entry replaced", lambda: [n for n, _ in items(s, lst)] == changed)
    wait_for("the summary after Replace Moved", lambda: summary_of(s, window).endswith(
        "The list now holds 4 entries: 3 alive, 1 skipped."), timeout=10)
    s.shot("check-after-remove-and-replace")

    # The report, through the file dialog, by keyboard.
    report = os.path.join(s.home, "check-report.csv")
    s.save_through_dialog(s.button(window, "Save Report..."), "Save Report", report, timeout=15)
    lines = read(report).decode().split("\r\n")
    check(lines[0] == "line,address,verdict,status,final,browser,reason,ms,was_title,was_seen,now_title,saved_title,"
          "last_good_copy", f"the report starts {lines[0]!r}")
    check(lines[2].startswith(f"2,{entries[1]},dead,404,"), f"the report's second row is {lines[2]!r}")

    # Copies of the good pages, asked for with the mouse: the next check keeps them (the two alive entries
    # are one address).
    box = s.find("check box", "Keep copies of good pages", root=window, showing=True)
    check(not box.getState().contains(s.pyatspi.STATE_CHECKED), "Keep copies of good pages is ticked before it was asked")
    s.click(box)
    wait_for("the box ticked", lambda: box.getState().contains(s.pyatspi.STATE_CHECKED), timeout=10)
    s.click(s.find(None, "Quokka windows", root=frame, showing=True))
    s.keys("ctrl+k")
    # The list browser keeps a copy of a good page it shows too: the check says how many it added to those.
    said = wait_for("the copies kept", lambda: next((n.name for n in s.find_all("label", root=window)
                                                    if "Copies of good pages kept: " in (n.name or "")), None),
                    timeout=120)
    check("Copies of good pages kept: 1." in said or "Copies of good pages kept: 2." in said, f"the check says {said!r}")
    s.shot("check-copies-kept")
    copies = os.path.join(s.data, "quokka", "copies")
    kept = [n for n in os.listdir(copies) if n.endswith(".copy")] if os.path.isdir(copies) else []
    check(len(kept) == 2, f"the copies folder holds {kept}")

    # The List view marks its own copy of the list (read from the file, which still holds the old list).
    s.click(s.find("push button", "Show List", root=frame, showing=True))
    view = s.find("list", "Stored address list", timeout=15, showing=True)
    wait_for("verdicts in the List view", lambda: items(s, view)[1] == (entries[1], "dead"), timeout=10)
    s.shot("check-marks-list-view")

    s.close_box("Quokka")
    rc = s.wait_exit()
    check(rc == 0, f"the program ended with {rc} after the close box")
    check(read(s.list_file()) == "".join(e + "\r\n" for e in changed).encode(),
          f"after the close box the list file holds {read(s.list_file())!r}")


def check_list_with_the_keyboard_elsewhere(s, pages, problems):
    """List > Check List given through the accessibility interface while another program has the keyboard, as
    a screen reader or voice control gives it: the Check List window comes up in front of the list browser that
    the command loads, and its buttons take a person's click."""
    entries = [pages.url("alive"), pages.url("notfound")]
    os.makedirs(os.path.dirname(s.list_file()), exist_ok=True)
    with open(s.list_file(), "wb") as f:
        f.write("".join(e + "\r\n" for e in entries).encode())
    s.start()
    s.find("frame", "Quokka", timeout=30, showing=True)
    s.focus_elsewhere()
    s.menu("List", "Check List")
    window = window_of(s.find("progress bar", "Check progress", timeout=20, showing=True))
    wait_for("the summary", lambda: summary_of(s, window).startswith("Checked "), timeout=90)
    s.find("list", "Address list", timeout=15, showing=True)
    s.shot("check-in-front-keyboard-elsewhere")
    s.click(s.button(window, "Remove Dead"))
    check(s.answer_alert("OK", "Remove the dead entry from the list?") == "Remove Dead", "Remove Dead did not ask")
    wait_for("the summary after Remove Dead", lambda: summary_of(s, window).startswith("Removed 1 dead entry."), timeout=10)


def check_cancelled_in_the_list_browser(s, pages, problems):
    """While a check runs, pressing Next in the list browser brings it in front of the Check List window (the
    frame has no room for both side by side at 1,280 pixels): the check's progress and a Cancel are there too,
    Cancel there stops the check, and both go away."""
    entries = [pages.url("slow") + f"?n={n}" for n in range(60)]
    os.makedirs(os.path.dirname(s.list_file()), exist_ok=True)
    with open(s.list_file(), "wb") as f:
        f.write("".join(e + "\r\n" for e in entries).encode())
    s.start()
    frame = s.find("frame", "Quokka", timeout=30, showing=True)
    s.click(s.find(None, "Quokka windows", root=frame, showing=True))
    s.keys("ctrl+k")
    window = window_of(s.find("progress bar", "Check progress", timeout=20, showing=True))
    browser = window_of(s.find("list", "Address list", timeout=15, showing=True))
    s.click(s.button(browser, "Next"))
    bar = s.find("progress bar", "List check progress", root=browser, timeout=20, showing=True)
    wait_for("the check's progress in the list browser", lambda: "so far" in (bar.description or ""), timeout=20)
    problems += s.unnamed_controls(browser)
    s.shot("check-progress-in-list-browser")
    s.click(s.button(browser, "Cancel"))
    s.gone("progress bar", "List check progress", timeout=20)
    check(not s.find_all("push button", "Cancel the check", root=browser, showing=True),
          "the list browser's Cancel is still there after the check ended")
    wait_for("the Check List window's summary", lambda: [n.name for n in s.find_all("label", root=window)
                                                         if (n.name or "").startswith("Cancelled. Checked ")], timeout=20)
    s.shot("check-cancelled-in-list-browser")


def main(program):
    pages = CheckPages()
    try:
        return run_walks(program, (lambda s, problems: check_list(s, pages, problems),
                                   lambda s, problems: check_list_with_the_keyboard_elsewhere(s, pages, problems),
                                   lambda s, problems: check_cancelled_in_the_list_browser(s, pages, problems)))
    finally:
        pages.close()


if __name__ == "__main__":
    run_inside_session(main)
